#!/bin/sh
# Configures and builds the project in build/ (warnings are errors here, so none creep in).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVB_WERROR=ON
cmake --build build
