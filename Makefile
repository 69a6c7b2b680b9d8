# TORVA: the two everyday commands. Both install what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
DEMO_DB := $(BUILD_DIR)/demo/demo.db

# The second build of `make test`: everything under AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_DIR ?= build-asan
# `make fuzz`: libFuzzer targets built with clang, each run for FUZZ_SECONDS.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := number_text_fuzz dialect_fuzz script_fuzz coefficient_list_fuzz
# Leaks in libraries that are not ours are suppressed by name (tests/sanitizer/lsan.supp); any other
# leak, any memory error and any undefined behaviour fails the test that meets it.
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps build test test-asan fuzz run clean bench package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan

# The whole suite again (unit, scenario and GUI tests) on a build instrumented with the sanitizers.
test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DTORVA_SANITIZE=ON >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Installs clang and libFuzzer when missing, builds the fuzz targets and runs each on its seed corpus.
fuzz:
	@scripts/install-deps.sh fuzz
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTORVA_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)
	@scripts/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

run: build
	@scripts/run-demo.sh $(BUILD_DIR)

# Speed and memory beside SQLite running only the raw statements, in a Release build of its own
# (bench/RESULTS.md). -O2 rather than CMake's -O3: GCC 12 reports false -Wrestrict warnings inside
# std::string at -O3, and -O2 is what the everyday build optimises with.
BENCH_DIR ?= build-release
BENCHES := open_save_bench keystroke_bench refresh_bench memory_bench pg_bench summary_bench
bench:
	@scripts/install-deps.sh bench
	@cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
		-DTORVA_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target torva_benches
	@for b in $(BENCHES); do TORVA_BENCH_DIR=$(CURDIR)/$(BENCH_DIR) $(BENCH_DIR)/bench/$$b || exit 1; done

# Debian packages (libtorva0, libtorva-dev, torva-host) for /usr, built in a tree of their own with
# Debian's hardening flags (every feature dpkg-buildflags knows, immediate binding included; CMake
# reads no CPPFLAGS, so they go with the compiler flags) and checked by lintian.
PACKAGE_DIR ?= build-package
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package:
	@scripts/install-deps.sh package
	@cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
		"-DCMAKE_C_FLAGS=$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CFLAGS)" \
		"-DCMAKE_CXX_FLAGS=$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CXXFLAGS)" \
		"-DCMAKE_EXE_LINKER_FLAGS=$$($(BUILDFLAGS) LDFLAGS)" \
		"-DCMAKE_SHARED_LINKER_FLAGS=$$($(BUILDFLAGS) LDFLAGS)" \
		"-DCMAKE_MODULE_LINKER_FLAGS=$$($(BUILDFLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(PACKAGE_DIR) -j $(JOBS) --target torva torva-host torva-host-qt fee_standard
	@cd $(PACKAGE_DIR) && cpack -G DEB >/dev/null && ls -1 *.deb
	@lintian -I --pedantic --fail-on error,warning $(PACKAGE_DIR)/*.deb

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(BENCH_DIR) $(PACKAGE_DIR)
