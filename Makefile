# make run   : install what is missing, build, start Kitchora (needs a display: xvfb-run -a make run)
# make install: build and install into PREFIX (default ~/.local), with the desktop entry and file types
# make test  : install what is missing, build under ASan/UBSan, run every test
# make bench : build optimised and run the benchmarks
# make fuzz  : build the fuzz targets with clang and run each for FUZZ_SECONDS
# make format: apply .clang-format; scripts/check-style (run by CI) fails on drift
JOBS ?= $(shell nproc)
TEST_DIR := build/test
RUN_DIR := build/release
BENCH_DIR := build/bench
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
PREFIX ?= $(HOME)/.local
FUZZ_TARGETS := fuzz_vrc_reader fuzz_plist fuzz_predicate fuzz_jpeg2000 fuzz_ingredient_lines fuzz_card_store \
                fuzz_importer fuzz_rtf_reader fuzz_html_reader fuzz_pdf_reader fuzz_plain_text_reader
GENERATOR := -G Ninja

export QT_QPA_PLATFORM ?= offscreen
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

.PHONY: deps test run install bench fuzz format clean

deps:
	@./scripts/install-deps

test: deps
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKITCHORA_SANITIZE=ON -DKITCHORA_TESTS=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 300

run: deps
	cmake -S . -B $(RUN_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKITCHORA_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)
	env -u QT_QPA_PLATFORM $(RUN_DIR)/app/kitchora

# The program looks for the sample library beside its executable, and the importer's host tool for
# the plug-in beside its own, so all go to $(PREFIX)/lib/kitchora and $(PREFIX)/bin links there.
install: deps
	cmake -S . -B $(RUN_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKITCHORA_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)
	install -D -m 755 $(RUN_DIR)/app/kitchora $(DESTDIR)$(PREFIX)/lib/kitchora/kitchora
	install -D -m 644 $(RUN_DIR)/app/DefaultDatabase.recipedb $(DESTDIR)$(PREFIX)/lib/kitchora/DefaultDatabase.recipedb
	install -D -m 755 $(RUN_DIR)/importer/kitchora-mdimport $(DESTDIR)$(PREFIX)/lib/kitchora/kitchora-mdimport
	install -D -m 644 $(RUN_DIR)/importer/kitchora-importer.so $(DESTDIR)$(PREFIX)/lib/kitchora/kitchora-importer.so
	mkdir -p $(DESTDIR)$(PREFIX)/bin
	ln -sf ../lib/kitchora/kitchora $(DESTDIR)$(PREFIX)/bin/kitchora
	ln -sf ../lib/kitchora/kitchora-mdimport $(DESTDIR)$(PREFIX)/bin/kitchora-mdimport
	mkdir -p $(DESTDIR)$(PREFIX)/share/applications $(DESTDIR)$(PREFIX)/share/mime/packages
	sed 's|@BINDIR@|$(PREFIX)/bin|' resources/desktop/kitchora.desktop > $(DESTDIR)$(PREFIX)/share/applications/kitchora.desktop
	install -m 644 resources/desktop/kitchora-mime.xml $(DESTDIR)$(PREFIX)/share/mime/packages/kitchora.xml
	@if command -v update-mime-database >/dev/null; then update-mime-database $(DESTDIR)$(PREFIX)/share/mime; fi
	@if command -v update-desktop-database >/dev/null; then update-desktop-database $(DESTDIR)$(PREFIX)/share/applications; fi
	@echo "Installed $(PREFIX)/bin/kitchora"

bench: deps
	cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DKITCHORA_TESTS=OFF -DKITCHORA_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b" || exit 1; fi; done

# Each target starts from its saved regression inputs and the seed folders listed in
# fuzz/<target>.seeds (its own seeds and the test fixtures beside its tests), and keeps what it
# finds in $(FUZZ_DIR)/corpus/<target>. fuzz/<target>.options, when present, adds flags.
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DKITCHORA_SANITIZE=ON -DKITCHORA_FUZZ=ON -DKITCHORA_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_DIR)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 -max_len=1048576 \
	    -dict=fuzz/$$t.dict $$(cat fuzz/$$t.options 2>/dev/null) $(FUZZ_DIR)/corpus/$$t fuzz/regressions/$$t $$(cat fuzz/$$t.seeds); \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
