#!/usr/bin/env bash
# Builds the C libraries the web build links (FFmpeg's AVI decoders and
# swscale, FreeType, libmpg123, SDL's audio converter, Highway) for
# WebAssembly, from the same Debian source packages as the native libraries,
# into build-web/libs/. Each library
# is built once; a stamp file marks it done, so a rebuild of the site is quick.
# The sources come through a private apt configuration under build-web/apt:
# the system's own sources list and package lists are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build-web
prefix=$out/libs
src=$out/src
export NODE_PATH=/usr/share/nodejs
mkdir -p "$prefix" "$src"

apt_options() {
  echo -o "Dir::Etc::SourceList=$out/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o "Dir::State::Lists=$out/apt/lists" -o "Dir::Cache=$out/apt/cache" -o Debug::NoLocking=1
}

# Unpacks Debian's source package $1 (with Debian's patches applied) into
# $src and prints its folder.
debian_source() {
  local package=$1 dsc
  dsc=$(ls "$src/${package}_"*.dsc 2>/dev/null | head -n1 || true)
  if [[ -z "$dsc" ]]; then
    if [[ ! -d "$out/apt/lists" ]]; then
      mkdir -p "$out/apt/lists/partial" "$out/apt/cache/archives/partial"
      local suite
      for suite in "debian bookworm" "debian-security bookworm-security" "debian bookworm-updates"; do
        set -- $suite
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/$1 $2 main"
      done >"$out/apt/sources.list"
      # shellcheck disable=SC2046
      apt-get $(apt_options) update -qq >&2
    fi
    # A missing upstream signature (.asc) fails the download as a whole even
    # though every file the .dsc checksums arrived; dpkg-source checks those.
    # shellcheck disable=SC2046
    (cd "$src" && apt-get $(apt_options) source --download-only -qq "$package" >/dev/null 2>&1 || true)
    dsc=$(ls "$src/${package}_"*.dsc 2>/dev/null | head -n1 || true)
    [[ -n "$dsc" ]] || { echo "web-libs: could not fetch Debian's source package $package" >&2; exit 1; }
  fi
  local dir
  dir=$(cd "$src" && dpkg-source --no-check -x "$dsc" "$src/$package" >/dev/null 2>&1 || true; echo "$src/$package")
  [[ -d "$dir" ]] || { echo "web-libs: could not unpack $dsc" >&2; exit 1; }
  echo "$dir"
}

build_ffmpeg() {
  local dir
  dir=$(debian_source ffmpeg)
  mkdir -p "$out/obj/ffmpeg" && cd "$out/obj/ffmpeg"
  # The classic AVI codecs, nothing else: no assembly, no threads, no
  # programs. Pictures are converted by swscale exactly as natively.
  emconfigure "$dir/configure" --prefix="$prefix" --enable-cross-compile --target-os=none --arch=x86_32 \
    --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=emnm --disable-stripping \
    --disable-everything --disable-autodetect --disable-asm --disable-inline-asm --disable-x86asm \
    --disable-programs --disable-doc --disable-network --disable-pthreads --disable-debug \
    --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc \
    --enable-avformat --enable-avcodec --enable-swscale --enable-protocol=file --enable-demuxer=avi \
    --enable-decoder=mjpeg,msvideo1,cinepak,rawvideo,msrle,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4v3,indeo3,indeo4,indeo5,h263 \
    --enable-parser=mjpeg,mpeg4video,h263 --extra-cflags="-O2" >/dev/null
  emmake make -j2 >/dev/null
  emmake make install >/dev/null
}

build_freetype() {
  local dir
  dir=$(debian_source freetype)
  emcmake cmake -S "$dir" -B "$out/obj/freetype" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build "$out/obj/freetype" -j2 >/dev/null
  cmake --install "$out/obj/freetype" >/dev/null
}

build_mpg123() {
  local dir
  dir=$(debian_source mpg123)
  mkdir -p "$out/obj/mpg123" && cd "$out/obj/mpg123"
  emconfigure "$dir/configure" --prefix="$prefix" --host=i686-pc-linux-gnu --disable-shared \
    --enable-static --with-cpu=generic_fpu --disable-components --enable-libmpg123 \
    --disable-modules --with-default-audio=dummy >/dev/null
  emmake make -j2 >/dev/null
  emmake make install >/dev/null
}

# SDL's audio stream resamples soundtracks that are not at 44100 Hz, as
# natively; the rest of SDL stays out (the page is the platform).
build_sdl2() {
  local dir
  dir=$(debian_source libsdl2)
  emcmake cmake -S "$dir" -B "$out/obj/sdl2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF -DSDL_VIDEO=OFF -DSDL_RENDER=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_HIDAPI=OFF -DSDL_EVENTS=ON \
    -DSDL_AUDIO=ON -DSDL_DUMMYAUDIO=ON -DSDL_ATOMIC=ON -DSDL_TIMERS=ON \
    -DSDL_LOADSO=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF >/dev/null
  cmake --build "$out/obj/sdl2" -j2 >/dev/null
  cmake --install "$out/obj/sdl2" >/dev/null
}

# Highway's runtime for the kernels' WebAssembly targets (128-bit SIMD).
build_highway() {
  local dir
  dir=$(debian_source highway)
  emcmake cmake -S "$dir" -B "$out/obj/highway" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_CXX_FLAGS="-msimd128" -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF -DHWY_ENABLE_CONTRIB=OFF \
    -DHWY_ENABLE_INSTALL=ON -DBUILD_TESTING=OFF -DHWY_FORCE_STATIC_LIBS=ON -DBUILD_SHARED_LIBS=OFF >/dev/null
  cmake --build "$out/obj/highway" -j2 >/dev/null
  cmake --install "$out/obj/highway" >/dev/null
}

for lib in "${@:-ffmpeg freetype mpg123 sdl2 highway}"; do
  for l in $lib; do
    [[ -f "$prefix/.$l.done" ]] && continue
    echo "Building $l for WebAssembly (once)"
    (build_"$l")
    touch "$prefix/.$l.done"
  done
done
