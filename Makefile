# Two commands set everything up: `make run` starts the clock, `make test` runs every test.
# Both install the Debian packages they need first.
.PHONY: run test build deps linux windows format clean

JOBS ?= $(shell nproc)

run: deps linux
	@if [ -z "$$DISPLAY" ]; then \
	  echo "No display: set DISPLAY, or try: xvfb-run -s '-screen 0 1024x768x24' make run"; exit 1; \
	fi
	./build/linux/waggler

test: deps linux windows
	ctest --preset linux -j $(JOBS)

build: deps linux windows

deps:
	@./scripts/install-deps.sh

linux:
	cmake --preset linux $(CMAKE_ARGS) >/dev/null
	cmake --build --preset linux -j $(JOBS)

windows:
	cmake --preset windows $(CMAKE_ARGS) >/dev/null
	cmake --build --preset windows -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
