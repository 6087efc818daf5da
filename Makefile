# The two commands of the README are `make demo` and `make test`; both
# install what is missing, build, and do their job. `make bench` measures.

WIN_BUILD  := build/win
HOST_BUILD := build/host
DIST       := dist
BENCH_HOST := build/bench/host
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 300
FUZZ_RUNS ?= 10000000
FUZZ_JOBS ?= 1

.PHONY: all deps build build-win build-host test demo screenshots bench fuzz fuzz-long format clean

all: build

deps:
	@scripts/ensure-deps.sh

build: build-win build-host

build-win: deps
	@cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
		-DOVWIN_DIST_DIR=$(CURDIR)/$(DIST) >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

build-host: deps
	@cmake -S . -B $(HOST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DOVWIN_DIST_DIR=$(CURDIR)/$(DIST) -DOVWIN_WIN_BUILD_DIR=$(CURDIR)/$(WIN_BUILD) >/dev/null
	@cmake --build $(HOST_BUILD) -j $(JOBS)

test: build
	@cd $(HOST_BUILD) && ctest --output-on-failure -j $(JOBS)

# Every fuzzer for FUZZ_SECONDS, one after the other.
fuzz: build-host
	@cd $(HOST_BUILD) && OVWIN_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -L fuzz --output-on-failure \
		--timeout $$(( $(FUZZ_SECONDS) + 120 ))

# Every fuzzer for FUZZ_RUNS executions, FUZZ_JOBS at a time, outside CI;
# what they find that the committed corpus lacks is merged into
# tests/fuzz/corpus/ to be committed. One line per fuzzer gives its figures.
fuzz-long: build-host
	@echo "Fuzzing each target for $(FUZZ_RUNS) executions; progress in $(HOST_BUILD)/artifacts/fuzz/*-long.log"
	@cd $(HOST_BUILD) && mkdir -p artifacts/fuzz && { OVWIN_FUZZ_RUNS=$(FUZZ_RUNS) ctest -L fuzz --verbose -j $(FUZZ_JOBS) --timeout 86400 \
		>artifacts/fuzz-long.log 2>&1; status=$$?; \
		grep -E '^[0-9]+: [a-z_]+_fuzzer: |tests passed|tests failed' artifacts/fuzz-long.log; exit $$status; }

demo: build
	@python3 tests/harness/demo.py

# Measures the launcher against plain Win32 calls, CopyFileA and tar, in one
# Wine machine; prints a table of ratios and keeps the raw figures in
# build/bench/. Takes several minutes; never part of `make test`. Its tabpack
# is a host build without sanitizers.
bench: build-win
	@cmake -S . -B $(BENCH_HOST) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOVWIN_SANITIZERS=OFF \
		-DOVWIN_DIST_DIR=$(CURDIR)/$(DIST) -DOVWIN_WIN_BUILD_DIR=$(CURDIR)/$(WIN_BUILD) >/dev/null
	@cmake --build $(BENCH_HOST) --target tabpack -j $(JOBS)
	@OVWIN_TABPACK=$(CURDIR)/$(BENCH_HOST)/bin/tabpack python3 bench/run_bench.py

# The documentation's pictures: the Wine tests that take them, then a copy
# into docs/ (commit the changed ones).
screenshots: build
	@python3 scripts/screenshots.py update $(HOST_BUILD)

format:
	@git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | \
		while read -r file; do [ -f "$$file" ] && echo "$$file"; done | xargs -r clang-format -i

clean:
	rm -rf build $(DIST)
