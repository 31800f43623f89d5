# The README's commands. Each is a thin call of cmake and ctest.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_GENERATOR ?= $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
# ON turns warnings into errors (CI does); a user's build only shows them.
WERROR ?= OFF

.PHONY: all build programs demo test test-sanitize deps install clean

PREFIX ?= /usr/local

all: build

build:
	cmake -S . -B $(BUILD) -G "$(CMAKE_GENERATOR)" -DKESTAL_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

# kestal, its tools and language files, without the tests.
programs:
	cmake -S . -B $(BUILD) -G "$(CMAKE_GENERATOR)"
	cmake --build $(BUILD) -j $(JOBS) --target programs

# Builds kestal and runs it over a demo inbound with the sample configuration.
demo: programs
	bash scripts/demo.sh $(BUILD)

# Installs what the tests need, builds, and runs every test.
test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G "$(CMAKE_GENERATOR)" -DKESTAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
	  -DKESTAL_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs into PREFIX (default /usr/local); DESTDIR is honoured.
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

deps:
	bash scripts/deps.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)

# libFuzzer targets (fuzz/*.cpp), built with clang in FUZZ_BUILD; each runs for
# FUZZ_SECONDS on a copy of its seed corpus, FUZZ_JOBS at a time.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_JOBS ?= $(JOBS)
FUZZ_TARGETS = $(basename $(notdir $(wildcard fuzz/*.cpp)))

.PHONY: fuzz deps-fuzz

fuzz: deps-fuzz
	cmake -S . -B $(FUZZ_BUILD) -G "$(CMAKE_GENERATOR)" -DCMAKE_CXX_COMPILER=clang++ \
	  -DKESTAL_FUZZ=ON -DKESTAL_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_JOBS) $(FUZZ_TARGETS)

deps-fuzz:
	bash scripts/deps.sh fuzz

# The benchmark: kestal over a generated inbound of BENCH_MB megabytes against cp -r,
# and reports into one netmail directory. It prints figures and asserts nothing.
BENCH_BUILD ?= build-bench
BENCH_MB ?= 200

.PHONY: bench

bench:
	bash scripts/deps.sh bench
	cmake -S . -B $(BENCH_BUILD) -G "$(CMAKE_GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DKESTAL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	bash bench/run.sh $(BENCH_BUILD) $(BENCH_MB)
