# The two commands of the README. Everything else is CMake.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: run test deps build build-asan check-normal check-asan demo format clean

run: build
	./$(BUILD)/src/app/ombrix

test: deps
	$(MAKE) check-normal
	$(MAKE) check-asan

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) --parallel $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DOMBRIX_SANITIZE=ON -DOMBRIX_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) --parallel $(JOBS)

# A private mail server with generated mail and two accounts on it, shown in
# the desktop program (or on the terminal when there is no display).
demo: build
	scripts/desktop-demo $(BUILD)

check-normal: build
	cd $(BUILD) && ctest --output-on-failure --parallel $(JOBS)

check-asan: build-asan
	cd $(ASAN_BUILD) && \
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --output-on-failure --parallel $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
