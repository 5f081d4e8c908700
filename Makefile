# The two commands of the README, and the steps they are made of.
#   make demo   build the setup and its tools, pack the demo payload and show it
#   make test   every test tier: native unit tests (plain and sanitized), fuzzing, Wine tests
.PHONY: demo test deps host win32 win64 clean

deps:
	@scripts/install-deps.sh

host: deps
	@cmake --preset host >/dev/null && cmake --build --preset host

win32: deps
	@cmake --preset win32 >/dev/null && cmake --build --preset win32

win64: deps
	@cmake --preset win64 >/dev/null && cmake --build --preset win64

demo: deps
	@scripts/demo.sh

test: deps
	@scripts/test-all.sh

clean:
	rm -rf build
