/* Used by run-imap4d-bench for its "before" column: a preload that swallows
 * the client's TCP_NODELAY and TCP_QUICKACK, so the check waits for delayed
 * acknowledgements as a client without them does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

int setsockopt(int fd, int level, int name, const void* value, socklen_t length) {
    static int (*real)(int, int, int, const void*, socklen_t);
    if (level == IPPROTO_TCP && (name == TCP_NODELAY || name == TCP_QUICKACK))
        return 0;
    if (!real)
        real = (int (*)(int, int, int, const void*, socklen_t))dlsym(RTLD_NEXT, "setsockopt");
    return real(fd, level, name, value, length);
}
