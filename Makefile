# The two commands of the README. Everything else is CMake, driven by the
# presets in CMakePresets.json (build directories, -Werror, sanitizer options).
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

# Tests mostly wait on sockets, servers and child programs: run twice as many
# at once as there are cores.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))

.PHONY: run test deps build build-asan build-tsan check-normal check-asan check-tsan \
	ctest-normal ctest-asan ctest-tsan build-asan-behind build-tsan-behind check-tsan-behind \
	bench demo install package screenshots format format-check clean

run: build
	./build/src/app/ombrix

# The next pass builds while a pass's tests run, at a lower priority than
# they; each of the two prints its output in one piece when it ends. The
# ThreadSanitizer pass's tests run beside the sanitizer pass's, as soon as
# their build is done.
test: deps
	$(MAKE) format-check
	$(MAKE) build
	$(MAKE) -j2 --output-sync=recurse ctest-normal build-asan-behind
	$(MAKE) -j2 --output-sync=recurse ctest-asan check-tsan-behind

deps:
	scripts/install-deps

# CMake refuses a build directory that it configured for another generator:
# one an older checkout set up for Make is configured anew (ccache keeps the
# objects).
ninja-dir = if [ -f $(1)/CMakeCache.txt ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' \
	$(1)/CMakeCache.txt; then rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles; fi

build: deps
	@$(call ninja-dir,build)
	cmake --preset dev
	cmake --build --preset dev --parallel $(JOBS)

build-asan: deps
	@$(call ninja-dir,build-asan)
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan --parallel $(JOBS)

# ThreadSanitizer builds only the test programs labelled "threads" (runs,
# sockets, sounds, the wait dialog, the window with its runs) and runs them.
build-tsan: deps
	@$(call ninja-dir,build-tsan)
	cmake --preset tsan
	cmake --build --preset tsan --parallel $(JOBS)

build-asan-behind build-tsan-behind: build-%-behind:
	nice -n 10 $(MAKE) build-$*

check-tsan-behind: build-tsan-behind
	$(MAKE) ctest-tsan

check-normal: build
	$(MAKE) ctest-normal

check-asan: build-asan
	$(MAKE) ctest-asan

check-tsan: build-tsan
	$(MAKE) ctest-tsan

ctest-normal:
	ctest --preset dev --parallel $(TEST_JOBS)

ctest-asan:
	ctest --preset asan-ubsan --parallel $(TEST_JOBS)

ctest-tsan:
	ctest --preset tsan --parallel $(TEST_JOBS)

# Benchmarks are never part of the test build; see bench/ for how to run them.
bench: build
	cmake --build --preset dev --target benchmarks --parallel $(JOBS)

# A private mail server with generated mail and two accounts on it, shown in
# the desktop program (or on the terminal when there is no display).
demo: build
	scripts/desktop-demo build

# The program, its menu entry, icons, AppStream entry, manual page and data
# files under PREFIX (DESTDIR works as usual).
install: build
	cmake --install build --prefix $(PREFIX)

# A Debian package in build/, its dependencies read from the linked libraries.
package: build
	cd build && cpack -G DEB

# The pictures of docs/screenshots in both languages, under a private Xvfb
# and under Weston headless (with the stand-in desktop of tests/tools), with
# the demo's mail server. Not part of `make test`.
screenshots: build
	scripts/take-screenshots build docs/screenshots

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-asan build-tsan
