# The two commands of the README. Everything else is CMake, driven by the
# presets in CMakePresets.json (build directories, -Werror, sanitizer options).
JOBS ?= $(shell nproc)

.PHONY: run test deps build build-asan check-normal check-asan bench demo format format-check clean

run: build
	./build/src/app/ombrix

test: deps
	$(MAKE) format-check
	$(MAKE) check-normal
	$(MAKE) check-asan

deps:
	scripts/install-deps

build: deps
	cmake --preset dev
	cmake --build --preset dev --parallel $(JOBS)

build-asan: deps
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan --parallel $(JOBS)

check-normal: build
	ctest --preset dev --parallel $(JOBS)

check-asan: build-asan
	ctest --preset asan-ubsan --parallel $(JOBS)

# Benchmarks are never part of the test build; see bench/ for how to run them.
bench: build
	cmake --build --preset dev --target benchmarks --parallel $(JOBS)

# A private mail server with generated mail and two accounts on it, shown in
# the desktop program (or on the terminal when there is no display).
demo: build
	scripts/desktop-demo build

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-asan
