# The two commands of the README. Everything else is CMake, driven by the
# presets in CMakePresets.json (build directories, -Werror, sanitizer options).
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: run test deps build build-asan build-tsan check-normal check-asan check-tsan bench demo install package screenshots format format-check clean

run: build
	./build/src/app/ombrix

test: deps
	$(MAKE) format-check
	$(MAKE) check-normal
	$(MAKE) check-asan
	$(MAKE) check-tsan

deps:
	scripts/install-deps

build: deps
	cmake --preset dev
	cmake --build --preset dev --parallel $(JOBS)

build-asan: deps
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan --parallel $(JOBS)

# ThreadSanitizer builds only the test programs labelled "threads" (runs,
# sockets, sounds, the wait dialog, the window with its runs) and runs them.
build-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan --parallel $(JOBS)

check-normal: build
	ctest --preset dev --parallel $(JOBS)

check-asan: build-asan
	ctest --preset asan-ubsan --parallel $(JOBS)

check-tsan: build-tsan
	ctest --preset tsan --parallel $(JOBS)

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
# with the demo's mail server. Not part of `make test`.
screenshots: build
	scripts/take-screenshots build docs/screenshots

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-asan build-tsan
