# Parmena: `make run` starts the program under Wine, `make test` builds and runs every test.
SHELL := /bin/bash
JOBS ?= 2
HOST := build/host
ASAN := build/asan
WIN := build/win
WIN64 := build/win64
FUZZ := build/fuzz
# Seconds per fuzz target: `make fuzz` explores, `make test` replays the committed corpus.
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 3
WINEPREFIX_RUN ?= $(CURDIR)/build/wineprefix-run

.PHONY: all test run deps host asan win win32 win64 host-test asan-test e2e msi-test soak bench dist clean fuzz-build fuzz fuzz-test check-layers

all: host win

deps:
	@need=""; \
	command -v cmake >/dev/null || need="$$need cmake"; \
	command -v g++ >/dev/null || need="$$need g++"; \
	[ -e /usr/src/googletest ] || [ -e /usr/include/gtest/gtest.h ] || need="$$need googletest libgtest-dev"; \
	command -v i686-w64-mingw32-g++-posix >/dev/null || need="$$need g++-mingw-w64-i686-posix"; \
	command -v x86_64-w64-mingw32-g++-posix >/dev/null || need="$$need g++-mingw-w64-x86-64-posix"; \
	command -v wine >/dev/null || need="$$need wine"; \
	[ -x /usr/lib/wine/wine64 ] || need="$$need wine64"; \
	dpkg -s wine32:i386 >/dev/null 2>&1 || need="$$need wine32:i386"; \
	command -v zip >/dev/null || need="$$need zip"; \
	command -v wixl >/dev/null || need="$$need wixl"; \
	command -v msiinfo >/dev/null || need="$$need msitools"; \
	command -v Xvfb >/dev/null || need="$$need xvfb"; \
	command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need="$$need imagemagick"; \
	command -v xwd >/dev/null || need="$$need x11-apps"; \
	command -v clang++ >/dev/null || need="$$need clang"; \
	command -v clang++ >/dev/null && [ -e "$$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a" ] || need="$$need libclang-rt-dev"; \
	if [ -n "$$need" ]; then \
	  if [ "$$(id -u)" != 0 ]; then echo "Missing:$$need (run as root to install)"; exit 1; fi; \
	  echo "Installing:$$need"; \
	  dpkg --print-foreign-architectures | grep -q i386 || dpkg --add-architecture i386; \
	  apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$need >/dev/null || exit 1; \
	fi

host: deps
	cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(HOST) -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DPARMENA_SANITIZE=ON >/dev/null
	cmake --build $(ASAN) -j $(JOBS)

win: win32 win64

win32: deps
	cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WIN) -j $(JOBS)

win64: deps
	cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WIN64) -j $(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DPARMENA_FUZZ=ON >/dev/null
	cmake --build $(FUZZ) -j $(JOBS)

fuzz: fuzz-build
	@tests/fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz-test: fuzz-build
	@tests/fuzz/run.sh $(FUZZ) $(FUZZ_SMOKE_SECONDS)

# Also part of host-test (ctest): includes follow platform <- config <- core <- pager, launcher <- app.
check-layers:
	@bash tools/check_layers.sh

host-test: host
	cd $(HOST) && ctest --output-on-failure -j $(JOBS) 2>&1 | tee ctest.log

asan-test: asan
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) 2>&1 | tee ctest.log

e2e: win
	@e2e/run-all.sh $(WIN) $(WIN64) build/e2e

test: deps
	@set -o pipefail; rc=0; \
	$(MAKE) --no-print-directory host-test || rc=1; \
	$(MAKE) --no-print-directory asan-test || rc=1; \
	$(MAKE) --no-print-directory fuzz-test || rc=1; \
	$(MAKE) --no-print-directory e2e || rc=1; \
	$(MAKE) --no-print-directory msi-test || rc=1; \
	bash .ci/totals.sh $(HOST)/ctest.log $(ASAN)/ctest.log $(FUZZ)/results.txt \
	  build/e2e/win32/results.txt build/e2e/win64/results.txt build/e2e/skipped.txt \
	  build/e2e/msi/results.txt; \
	exit $$rc

run: win
	@if e2e/lib.sh can-run win32; then E2E_ARCH=win32 e2e/run-program.sh $(WIN); \
	else E2E_ARCH=win64 e2e/run-program.sh $(WIN64); fi

# Minutes of random switching while windows come, go and hang (E2E_SOAK_SECONDS, E2E_SOAK_SEED).
soak: win
	@if e2e/lib.sh can-run win64; then E2E_ARCH=win64 e2e/soak.sh $(WIN64); \
	else E2E_ARCH=win32 e2e/soak.sh $(WIN); fi

bench: host win
	@if [ -x $(HOST)/parmena_bench ]; then $(HOST)/parmena_bench; fi
	@if e2e/lib.sh can-run win64; then E2E_ARCH=win64 e2e/bench.sh $(WIN64); \
	else E2E_ARCH=win32 e2e/bench.sh $(WIN); fi

# What a Windows user can take: per-user installer packages (x64, x86) and zips for a portable
# copy, each with the program, its two libraries and the user's guide, and SHA256SUMS.
# VERSION overrides the packages' version (default: ProductVersion of resources/parmena.rc).
VERSION ?=
DIST ?= build/dist
dist: win
	@resources/make_dist.sh $(WIN) $(WIN64) $(DIST) $(VERSION)

# The packages under Wine: install, the installed program's start, upgrade, uninstall while running.
msi-test: win
	@e2e/msi.sh $(WIN) $(WIN64) build/e2e/msi

clean:
	rm -rf build
