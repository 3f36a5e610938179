# Sourced by scripts/test and scripts/fuzz: the one clang build under AddressSanitizer and
# UndefinedBehaviorSanitizer that serves both the sanitizer suite and the fuzz targets, so a
# check compiles the code once, not twice. Sets ASAN_BUILD and configures it when new.
ASAN_BUILD=${KAV_ASAN_BUILD_DIR:-build-asan}
if [[ ! -f "$ASAN_BUILD/build.ninja" ]]; then
    CC=clang CXX=clang++ cmake -S . -B "$ASAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DKAV_FUZZ=ON \
        -DKAV_BUILD_BENCH=OFF > /dev/null
fi
