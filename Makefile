# Quillmark: the two commands of the README, and a few more for developers.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all setup configure build test run bench installer clean

all: build

setup:
	tools/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure

run: build
	tools/run.sh $(BUILD)

# QuillmarkSetup.exe beside the program, built with NSIS.
installer: configure
	cmake --build $(BUILD) --target installer

bench: build
	tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
