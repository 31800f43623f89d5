# The README's commands. Each is a thin call of cmake and ctest.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_GENERATOR ?= $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all build demo test test-sanitize deps install clean

PREFIX ?= /usr/local

all: build

build:
	cmake -S . -B $(BUILD) -G "$(CMAKE_GENERATOR)"
	cmake --build $(BUILD) -j $(JOBS)

# Builds kestal and runs it over a demo inbound with the sample configuration.
demo: build
	bash scripts/demo.sh $(BUILD)

# Installs what the tests need, builds, and runs every test.
test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G "$(CMAKE_GENERATOR)" -DKESTAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs into PREFIX (default /usr/local); DESTDIR is honoured.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

deps:
	bash scripts/deps.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
