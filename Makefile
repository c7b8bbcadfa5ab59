# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Quillmere developers
#
# make run    build a release, install it into $(PREFIX) and start it
# make test   build with sanitizers and run every test (what CI runs)
# make bench  build and run the benchmarks
# Each first installs the Debian packages that are missing.

PREFIX   ?= $(HOME)/.local/opt/quillmere
DATAHOME ?= $(HOME)/.local/share
JOBS     ?= $(shell nproc)
CMAKE    ?= cmake

.PHONY: all deps release install run test fuzz bench screenshot clean

all: release

deps:
	@scripts/install-deps.sh

release: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF
	$(CMAKE) --build build/release -j $(JOBS)

install: release
	$(CMAKE) --install build/release --prefix "$(PREFIX)"
	install -d "$(DATAHOME)/applications" "$(DATAHOME)/icons/hicolor/64x64/apps"
	install -m 644 resources/quillmere.png "$(DATAHOME)/icons/hicolor/64x64/apps/quillmere.png"
	sed 's|@PREFIX@|$(PREFIX)|g' resources/quillmere.desktop.in > "$(DATAHOME)/applications/quillmere.desktop"

run: install
	cd "$(PREFIX)" && ./quillmere

# The fuzz target needs clang's libFuzzer; it is built on its own so that the
# rest of the test build keeps the system compiler.
fuzz: deps
	$(CMAKE) -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DQUILLMERE_TESTS=OFF -DQUILLMERE_FUZZ=ON
	$(CMAKE) --build build/fuzz -j $(JOBS) --target fuzz_recordfile
	mkdir -p build/fuzz/corpus
	build/fuzz/fuzz/fuzz_recordfile -max_total_time=45 -timeout=5 -rss_limit_mb=1024 \
	    -artifact_prefix=build/fuzz/ build/fuzz/corpus fuzz/seeds

test: deps fuzz
	$(CMAKE) -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_SANITIZE=ON -DQUILLMERE_WERROR=ON
	$(CMAKE) --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure --timeout 900

bench: deps
	$(CMAKE) -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF -DQUILLMERE_BENCH=ON
	$(CMAKE) --build build/bench -j $(JOBS) --target quillmere_bench
	build/bench/bench/quillmere_bench

screenshot: install
	scripts/screenshot.sh "$(PREFIX)/quillmere" docs/screenshot.png

clean:
	rm -rf build
