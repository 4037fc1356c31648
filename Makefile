# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test deps build sanitize clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/pnhold $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DPNHOLD_SANITIZE=ON"

clean:
	rm -rf build build-sanitize
