# The README's commands. `make demo` runs a HotSync on the built-in demo
# handheld; `make test` builds with the sanitizers and runs every test;
# `make package` builds the Debian package vellamore_<version>_<arch>.deb.

BUILD_DIR      ?= build
TEST_BUILD_DIR ?= build-test
FUZZ_BUILD_DIR ?= build-fuzz
BENCH_BUILD_DIR ?= build-bench
PACKAGE_BUILD_DIR ?= build-package
JOBS           ?= $(shell nproc)
FUZZ_SECONDS   ?= 60

.PHONY: all deps build demo test fuzz bench package clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLAMORE_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	scripts/demo $(BUILD_DIR)/bin

test: deps
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLAMORE_SANITIZE=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	cd $(TEST_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELLAMORE_FUZZ=ON -DVELLAMORE_TESTS=OFF -DVELLAMORE_DESKTOP=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD_DIR)/fuzz $(FUZZ_SECONDS)

bench: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLAMORE_BENCH=ON \
	  -DVELLAMORE_TESTS=OFF
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS)
	scripts/run-benchmarks $(BENCH_BUILD_DIR)

# The package's programs and libraries are hardened: checked buffer
# functions, stack protection, and relocations resolved at load and then
# made read-only.
HARDENING_CFLAGS  = -D_FORTIFY_SOURCE=2 -fstack-protector-strong -fstack-clash-protection
HARDENING_LDFLAGS = -Wl,-z,relro,-z,now

package: deps
	cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLAMORE_TESTS=OFF \
	  -DCMAKE_C_FLAGS="$(HARDENING_CFLAGS)" -DCMAKE_CXX_FLAGS="$(HARDENING_CFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(HARDENING_LDFLAGS)" \
	  -DCMAKE_SHARED_LINKER_FLAGS="$(HARDENING_LDFLAGS)" \
	  -DCMAKE_MODULE_LINKER_FLAGS="$(HARDENING_LDFLAGS)"
	cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	rm -f $(PACKAGE_BUILD_DIR)/vellamore_*.deb
	cd $(PACKAGE_BUILD_DIR) && cpack -G DEB
	rm -f vellamore_*.deb
	cp $(PACKAGE_BUILD_DIR)/vellamore_*.deb .

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(FUZZ_BUILD_DIR) $(BENCH_BUILD_DIR) $(PACKAGE_BUILD_DIR)
