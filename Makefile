# Thin wrapper over CMake.  `make test` builds and runs the whole suite (optimised build,
# then the ASan/UBSan build of the same tests); `make demo` runs the bundled example.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
DEPS = cmake g++ libgtest-dev libbenchmark-dev make

.PHONY: all deps build test test-fast asan demo bench format clean

all: build

deps:
	@missing=""; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	[ -f /usr/include/gtest/gtest.h ] || missing="$$missing libgtest-dev"; \
	[ -f /usr/include/benchmark/benchmark.h ] || missing="$$missing libbenchmark-dev"; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "missing build dependencies:$$missing (run as root or install them)"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTORVA_SANITIZE=ON -DTORVA_BENCH=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test: build asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 ctest --output-on-failure -j $(JOBS) -LE regression

# The demo needs only the program, not the tests and benchmarks.
demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target torva
	@bash tools/demo.sh $(BUILD)/torva

bench: build
	@for b in $(BUILD)/bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
