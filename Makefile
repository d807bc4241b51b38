# Two commands set everything up: `make run` starts the clock, `make test` runs every test.
# Both install the Debian packages they need first: `run` only what the program needs.
.PHONY: run test test-elsewhere build package installer-pictures deps deps-run linux linux-asan \
  release windows icons screenshot \
  bench deps-bench fuzz deps-fuzz check-debian13 check-debian12 \
  format clean

JOBS ?= $(shell nproc)

run: deps-run release
	@if [ -z "$$DISPLAY" ]; then \
	  echo "No display: set DISPLAY, or try: xvfb-run -s '-screen 0 1024x768x24' make run"; exit 1; \
	fi
	@# Exit code 2 is a normal quit; 1 means the clock could not open its window and said why.
	@code=0; ./build/release/waggler || code=$$?; \
	if [ $$code -eq 1 ]; then echo "See Troubleshooting in README.md"; exit 1; \
	elif [ $$code -ne 2 ]; then exit $$code; fi

# The sanitizer run comes second and runs even when the first fails; either failing fails.
test: deps linux windows package linux-asan
	@status=0; \
	ctest --preset linux -j $(JOBS) || status=1; \
	ctest --preset linux-asan -j $(JOBS) || status=1; \
	exit $$status

# The unit, render and e2e tests again as if the machine stood elsewhere: in Kolkata (half an
# hour off the hour) in German, and in New York (summer time on the tests' dates) in French.
test-elsewhere: deps linux
	@status=0; \
	ctest --preset linux-kolkata-de -j $(JOBS) || status=1; \
	ctest --preset linux-new-york-fr -j $(JOBS) || status=1; \
	exit $$status

build: deps linux windows

# `make test` again in a fresh Debian 13 or 12 made from Debian's archive (see README.md).
check-debian13:
	./scripts/fresh-debian.sh 13

check-debian12:
	./scripts/fresh-debian.sh 12

# The Debian package, and the Windows zip and installer, in build/release and build/windows.
package: deps release windows installer-pictures
	cpack --preset linux-release
	cpack --preset windows

# The installer's pictures, drawn from the clock offscreen by the Linux tree, which alone can.
installer-pictures:
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux -j $(JOBS) --target installer_pictures

deps:
	@./scripts/install-deps.sh all

deps-run:
	@./scripts/install-deps.sh run

deps-bench:
	@./scripts/install-deps.sh bench

linux:
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux -j $(JOBS)

# The program alone, as users run it.
release:
	cmake --preset linux-release $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux-release -j $(JOBS)

windows:
	cmake --preset windows $(CMAKE_ARGS) >/dev/null
	cmake --build --preset windows -j $(JOBS)

# The Linux tree again, under AddressSanitizer and UndefinedBehaviorSanitizer.
linux-asan:
	cmake --preset linux-asan $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux-asan -j $(JOBS)

# Draws the icons in resources/icons afresh from the clock, with the fonts the tests see; a test
# checks they are current.
icons: deps
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux --target make_icons
	FONTCONFIG_FILE=$(CURDIR)/tests/fonts.conf ./build/linux/tools/make_icons resources/icons

# Takes docs/screenshot.png afresh from the program in a private X server.
screenshot: deps
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux --target make_screenshot
	./build/linux/tools/make_screenshot docs/screenshot.png

# The running clock beside gltext and xdaliclock, its profile, start-up and routine costs, as
# one table (about 12 minutes; BENCH_SECONDS=5 BENCH_ROUNDS=1 for a quick look). BENCH_PROGRAM
# measures another build of the program.
BENCH_PROGRAM ?= build/release/waggler
bench: deps-bench release
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux -j $(JOBS) --target frame_cost glyph_build
	./bench/bench.sh $(BENCH_PROGRAM)

# Each parser of outside input under libFuzzer for FUZZ_SECONDS, or for FUZZ_RUNS inputs when
# that is set (CI), built by clang in build/fuzz. A search, not a check: `make test` leaves it out.
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?=
fuzz: deps-fuzz
	cmake --preset fuzz $(CMAKE_ARGS) >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_RUNS=$(FUZZ_RUNS) ./tests/fuzz/run.sh

deps-fuzz:
	@./scripts/install-deps.sh fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
