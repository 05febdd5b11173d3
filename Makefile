# Thin wrapper around CMake. `make test` builds and runs every test; the other
# targets are listed by `make help`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# The allocator of abimport: smallheap, mimalloc, jemalloc or system (README,
# "Performance"). The library itself links none.
TOOL_ALLOCATOR ?= smallheap
# Whether abimport leaves its last deck's cards to the process exit instead of
# freeing them (tools/cardsatexit.h); off where leaks are checked.
TOOL_SKIP_TEARDOWN ?= ON
override CMAKE_FLAGS += -DABIMPORT_TOOL_ALLOCATOR=$(TOOL_ALLOCATOR) \
  -DABIMPORT_TOOL_SKIP_TEARDOWN=$(TOOL_SKIP_TEARDOWN)
# The default allocator is part of the tool; mimalloc and jemalloc come from Debian.
ALLOCATOR_PACKAGE := $(if $(filter mimalloc,$(TOOL_ALLOCATOR)),libmimalloc-dev)$(if $(filter jemalloc,$(TOOL_ALLOCATOR)),libjemalloc-dev)
# The language server (lsp/) parses its messages with nlohmann-json.
BASE_PACKAGES := cmake g++ make libmuparser-dev nlohmann-json3-dev $(ALLOCATOR_PACKAGE)
# The Python package builds with Debian's python3, setuptools and pybind11;
# its tests use numpy, pytest, matplotlib, meshio and pandas, its typed checks mypy.
PYTHON_PACKAGES := python3-venv python3-pip python3-setuptools python3-wheel python3-pybind11 \
	pybind11-dev python3-numpy python3-pytest python3-matplotlib python3-meshio python3-pandas \
	python3-mypy
TEST_PACKAGES := $(BASE_PACKAGES) libgtest-dev $(PYTHON_PACKAGES)
# -DABIMPORT_WERROR=ON makes the Python extension's warnings errors too.
PYTHON_ENV := ABIMPORT_CLI=$(abspath $(BUILD))/tools/abimport \
	ABIMPORT_PYTHON_BUILD=$(abspath $(BUILD))/python-build \
	ABIMPORT_FREE_GUARD=$(abspath $(BUILD))/tests/libabimport_freeguard.so \
	$(if $(findstring ABIMPORT_WERROR=ON,$(CMAKE_FLAGS)),ABIMPORT_WERROR=1)

.PHONY: all build format-check keywords-doc test test-clang python-test python-types python-wheel-test help demo sanitize tsan fuzz memcheck bench windows editor-test

all: build

help:
	@echo "make test       build and run every test (CTest, then the Python package's pytest and typed checks)"
	@echo "make test-clang the same tests with everything built by clang (build-clang)"
	@echo "make python-types  mypy --strict on python/abimport, and stubtest on the extension built"
	@echo "make python-wheel-test  the Python tests against a wheel in a fresh virtual environment"
	@echo "make build      build the library, the host and the tools"
	@echo "make format-check  every C++ file as .clang-format writes it"
	@echo "make keywords-doc  docs/keywords.md written again from the keyword table"
	@echo "make demo       build abimport and import examples/airbags.k"
	@echo "make editor-test  Neovim's LSP client on abimport lsp (tests/editor/)"
	@echo "make install    install library, headers, abimport, CMake and pkg-config files in PREFIX"
	@echo "make sanitize   every test under ASan+UBSan (build-asan), then make tsan"
	@echo "make tsan       the concurrency tests under ThreadSanitizer (build-tsan)"
	@echo "make fuzz       fuzz the deck import and the language server for FUZZ_SECONDS in all (build-fuzz)"
	@echo "make memcheck   abimport under valgrind on the example decks"
	@echo "make bench      benchmarks (build-bench, Release), then abimport against numpy and pandas"
	@echo "make windows    the library and its unit tests cross-compiled for Windows (build-windows), run under wine if installed"

build:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test:
	@scripts/require-packages.sh $(TEST_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j $(JOBS)
	$(MAKE) python-test
	$(MAKE) python-types

# The same tests with everything built by clang (clang-14), in build-clang:
# the tool's heap keeps the promises that clang's code relies on.
test-clang:
	@scripts/require-packages.sh clang-14
	CC=clang-14 CXX=clang++-14 $(MAKE) test BUILD=build-clang CMAKE_FLAGS="$(CMAKE_FLAGS)"

# The Python package installed into $(BUILD)/venv (a virtual environment of
# Debian's python3 with its packages), tested against the tool just built.
python-test:
	@scripts/require-packages.sh $(PYTHON_PACKAGES)
	$(PYTHON_ENV) scripts/python-test.sh source $(BUILD)/venv

# The package's types: mypy --strict on python/abimport, then stubtest on the
# extension installed into $(BUILD)/venv.
python-types:
	@scripts/require-packages.sh $(PYTHON_PACKAGES)
	$(PYTHON_ENV) scripts/python-types.sh $(BUILD)/venv

# The same tests against a wheel installed alone into a fresh environment, so
# that a file missing from the wheel fails. Builds the tool they compare with.
python-wheel-test: build
	@scripts/require-packages.sh $(PYTHON_PACKAGES)
	$(PYTHON_ENV) scripts/python-test.sh wheel $(BUILD)/venv-wheel

format-check:
	scripts/check-format.sh

# docs/keywords.md is printed from the keyword table; a test compares the two.
keywords-doc:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target abimport_keywords_doc
	$(BUILD)/tools/abimport_keywords_doc > docs/keywords.md

# Neovim (Debian's, headless) with its own LSP client running abimport lsp on
# a deck with known problems; what it received is compared with a file.
editor-test: build
	@scripts/require-packages.sh neovim
	scripts/editor-test.sh $(BUILD)/tools/abimport

demo:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target abimport_cli
	$(BUILD)/tools/abimport examples/airbags.k
	$(BUILD)/tools/abimport --summary examples/model/main.k

# Sanitizer runs: any report fails the run (the build uses -fno-sanitize-recover).
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:exitcode=86 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=86 \
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# Some kernels map memory where ThreadSanitizer cannot work; run without ASLR.
NO_ASLR := $(shell setarch $$(uname -m) -R true 2>/dev/null && echo setarch $$(uname -m) -R)

sanitize:
	@scripts/require-packages.sh $(TEST_PACKAGES)
	cmake -S . -B build-asan -DABIMPORT_BUILD_TESTS=ON -DABIMPORT_SANITIZE=address,undefined $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	$(SANITIZE_ENV) ctest --test-dir build-asan --output-on-failure --no-tests=error -j $(JOBS)
	$(MAKE) tsan

tsan:
	@scripts/require-packages.sh $(TEST_PACKAGES)
	cmake -S . -B build-tsan -DABIMPORT_BUILD_TESTS=ON -DABIMPORT_SANITIZE=thread $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target threads_tests reader_tests cli_tests smallheap_tests
	$(SANITIZE_ENV) $(NO_ASLR) ctest --test-dir build-tsan --output-on-failure --no-tests=error \
	  -R '^(Threads|Reader|CliTest|SmallHeap|OrderedChunks)[.].*Thread'

FUZZ_SECONDS ?= 60
# The time is shared: two thirds for the deck import, a third for the language server.
LSP_FUZZ_SECONDS = $(shell expr $(FUZZ_SECONDS) / 3)
DECK_FUZZ_SECONDS = $(shell expr $(FUZZ_SECONDS) - $(LSP_FUZZ_SECONDS))
FUZZ_PACKAGES := $(BASE_PACKAGES) clang-14 libclang-rt-14-dev

# The corpus grows in build-fuzz/corpus across runs; findings land in
# build-fuzz/findings/ and fail the run.
fuzz:
	@scripts/require-packages.sh $(FUZZ_PACKAGES)
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DABIMPORT_BUILD_TESTS=OFF \
	  -DABIMPORT_BUILD_FUZZERS=ON -DABIMPORT_SANITIZE=address,undefined $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target deck_fuzzer lsp_fuzzer
	fuzz/corpus.sh build-fuzz/corpus
	fuzz/corpus.sh --lsp build-fuzz/lsp-corpus
	mkdir -p build-fuzz/findings
	$(SANITIZE_ENV) build-fuzz/fuzz/deck_fuzzer -max_total_time=$(DECK_FUZZ_SECONDS) -max_len=4096 \
	  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	  -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus
	$(SANITIZE_ENV) build-fuzz/fuzz/lsp_fuzzer -max_total_time=$(LSP_FUZZ_SECONDS) -max_len=4096 \
	  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	  -artifact_prefix=build-fuzz/findings/ build-fuzz/lsp-corpus

# valgrind follows the system allocator only, and counts memory still
# reachable at exit as an error.
memcheck: TOOL_ALLOCATOR = system
memcheck: TOOL_SKIP_TEARDOWN = OFF
memcheck: build
	@scripts/require-packages.sh valgrind
	for mode in --quiet --json --summary ""; do \
	  valgrind --quiet --error-exitcode=1 --leak-check=full --show-leak-kinds=all \
	    --suppressions=scripts/valgrind-system.supp \
	    --errors-for-leak-kinds=all $(BUILD)/tools/abimport $$mode examples/*.k examples/model/main.k \
	    > /dev/null || exit 1; \
	done

# The library with its headers, the stand-in host, abimport, the CMake package
# and the pkg-config files, under PREFIX (default /usr/local).
PREFIX ?= /usr/local
.PHONY: install
install:
	@scripts/require-packages.sh $(BASE_PACKAGES)
	cmake -S . -B $(BUILD) -DABIMPORT_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD) --prefix $(PREFIX)

# Benchmarks: the Google Benchmark program on generated decks, then the whole
# abimport process against numpy.genfromtxt and pandas.read_fwf, then the
# language server's diagnostics after a change against --check -q.
BENCH_BUILD ?= build-bench
BENCH_PACKAGES := $(TEST_PACKAGES) libbenchmark-dev
bench:
	@scripts/require-packages.sh $(BENCH_PACKAGES)
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DABIMPORT_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target abimport_bench abimport_makedeck abimport_cli
	$(BENCH_BUILD)/bench/abimport_bench
	[ -x $(BENCH_BUILD)/venv/bin/python ] || /usr/bin/python3 -m venv --system-site-packages $(BENCH_BUILD)/venv
	$(BENCH_BUILD)/venv/bin/pip install -q --disable-pip-version-check --no-build-isolation --no-index --no-deps .
	bench/compare --abimport $(BENCH_BUILD)/tools/abimport --makedeck $(BENCH_BUILD)/bench/abimport-makedeck \
	  --python $(BENCH_BUILD)/venv/bin/python
	bench/lsp --abimport $(BENCH_BUILD)/tools/abimport --makedeck $(BENCH_BUILD)/bench/abimport-makedeck

# The library and its unit tests for Windows with MinGW-w64, GoogleTest built
# for it from Debian's sources; the tests run under wine where it is installed.
WINDOWS_PACKAGES := cmake make g++-mingw-w64-x86-64-posix googletest
windows:
	@scripts/require-packages.sh $(WINDOWS_PACKAGES)
	CMAKE_FLAGS="$(CMAKE_FLAGS)" scripts/windows-check.sh build-windows
