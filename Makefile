# Thin wrapper around CMake. `make test` builds and runs every test; the other
# targets are listed by `make help`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
BASE_PACKAGES := cmake g++ make
TEST_PACKAGES := $(BASE_PACKAGES) libgtest-dev

.PHONY: all build test help demo

all: build

help:
	@echo "make test       build and run every test (CTest)"
	@echo "make build      build the library, the host and the tools"
	@echo "make demo       build abimport and import examples/airbags.k"
	@echo "make install    install library, headers, abimport, CMake and pkg-config files in PREFIX"

build:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test:
	@scripts/require-packages.sh $(TEST_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target abimport_cli
	$(BUILD)/tools/abimport examples/airbags.k

# The library with its headers, the stand-in host, abimport, the CMake package
# and the pkg-config files, under PREFIX (default /usr/local).
PREFIX ?= /usr/local
.PHONY: install
install:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD) --prefix $(PREFIX)
