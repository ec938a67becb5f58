# SPDX-License-Identifier: MIT
# Builds the game's libraries for a cross target from Debian's source
# packages: zlib, FreeType, SDL2, SDL2_image (stb backend), SDL2_mixer
# (stb_vorbis), expat, GoogleTest and, for Windows, gettext's libintl, as static
# libraries into BUILD/deps/prefix.
# Sourced by scripts/setup-windows.sh and scripts/setup-web.sh, which set
# top (the repository), and libintl_host or gtest_extra_options (more
# GoogleTest options) where they need them, source it as
#
#   . deps-common.sh SCRIPT_NAME BUILD_DIR TOOLCHAIN_FILE DEPS_VAR
#
# (the name its messages carry, the build folder, the target's CMake
# toolchain file in cmake/ and the toolchain's variable naming the prefix)
# and then call build_libraries.
#
# Each library leaves a stamp in deps/prefix/share/pelzo-deps/ with its
# version and build options, and is skipped while that stamp matches, so a
# second run takes seconds. Delete a stamp (or deps/) to rebuild.

script_name=$1
mkdir -p "$2"
build=$(cd "$2" && pwd)
toolchain=$top/cmake/$3
deps_var=$4
deps=$build/deps
srcdir=$deps/src          # what apt-get source downloads
workdir=$deps/build       # unpacked sources and their build trees
logdir=$deps/logs         # full output of each step, shown when one fails
prefix=$deps/prefix       # the installed headers, libraries and package files
stampdir=$prefix/share/pelzo-deps
jobs=$(nproc)
mkdir -p "$srcdir" "$workdir" "$logdir"

say() { echo "$script_name: $*"; }

# run LOG CMD...: runs CMD with its output appended to LOG; on failure shows
# the end of LOG and stops.
run() {
  local log=$1; shift
  if ! "$@" >>"$log" 2>&1; then
    say "failed: $*" >&2
    tail -n 40 "$log" >&2
    say "full log: $log" >&2
    exit 1
  fi
}


# --- Helpers ---------------------------------------------------------------

# up_to_date NAME OPTIONS: true when NAME was built with exactly OPTIONS;
# then says so with the version built.
up_to_date() {
  local stamp=$stampdir/$1
  if [ -f "$stamp" ] && [ "$(sed -n 's/^options: //p' "$stamp")" = "$2" ]; then
    say "$1 $(sed -n 's/^version: //p' "$stamp") up to date"
    return 0
  fi
  return 1
}

# stamp NAME VERSION OPTIONS SECONDS: records a finished build.
stamp() {
  mkdir -p "$stampdir"
  printf 'version: %s\noptions: %s\n' "$2" "$3" >"$stampdir/$1"
  say "$1 $2 built in $4 s"
}

# apt-get with a source list of its own: the deb-src twin of the system's
# Debian entries, with its own index and cache folders, so the system's apt
# configuration and state stay untouched.
aptdir=$deps/apt
apt_opts=(
  -o "Dir::Etc::SourceList=$aptdir/sources.list"
  -o "Dir::Etc::SourceParts=$aptdir/sources.list.d"
  -o "Dir::State::Lists=$aptdir/lists"
  -o "Dir::Cache=$aptdir/cache"
  -o "APT::Sandbox::User=root"
)
apt_ready=0

# prepare_apt: writes the source list and downloads its index, once a run.
prepare_apt() {
  [ "$apt_ready" -eq 1 ] && return
  rm -rf "$aptdir"
  mkdir -p "$aptdir/sources.list.d" "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
  : >"$aptdir/sources.list"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$aptdir/sources.list"
  fi
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$f" >"$aptdir/sources.list.d/${f##*/}"
  done
  for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^deb /deb-src /p' "$f" >"$aptdir/sources.list.d/${f##*/}"
  done
  : >"$logdir/apt.log"
  run "$logdir/apt.log" apt-get "${apt_opts[@]}" update
  apt_ready=1
}

# fetch SRCPKG: downloads Debian's source package SRCPKG into $srcdir and
# sets dsc to the path of its .dsc. The newest version may sit in the
# security suite; when that download fails, the release's own version is
# taken.
fetch() {
  local pkg=$1 log=$logdir/fetch-$1.log codename
  prepare_apt
  : >"$log"
  if ! (cd "$srcdir" && apt-get "${apt_opts[@]}" source --download-only "$pkg") >>"$log" 2>&1; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "retrying with $pkg/$codename" >>"$log"
    run "$log" env -C "$srcdir" apt-get "${apt_opts[@]}" source --download-only "$pkg/$codename"
  fi
  # The newest .dsc whose files all arrived.
  local candidates
  mapfile -t candidates < <(printf '%s\n' "$srcdir/${pkg}"_*.dsc | sort -rV)
  for dsc in "${candidates[@]}"; do
    if [ -f "$dsc" ] && dsc_complete "$dsc"; then
      return
    fi
  done
  say "no complete source package for $pkg in $srcdir (see $log)" >&2
  exit 1
}

# dsc_complete DSC: true when every file that DSC lists sits beside it.
dsc_complete() {
  local f
  while read -r f; do
    [ -f "${1%/*}/$f" ] || return 1
  done < <(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* //p' "$1")
}

# unpack DSC DIR: unpacks a source package with Debian's patches applied
# (the same source the Linux packages were built from) into a fresh DIR.
unpack() {
  rm -rf "$2"
  run "$logdir/unpack.log" dpkg-source -x "$1" "$2"
}

# configure NAME SRC ARGS...: configures SRC for the target with the
# project's toolchain file, in an empty build tree, to install into $prefix.
configure() {
  local name=$1 src=$2; shift 2
  rm -rf "$workdir/$name-build"
  run "$logdir/$name.log" cmake -S "$src" -B "$workdir/$name-build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -D"$deps_var"="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF \
    "$@"
}

# compile NAME [TARGET...]: builds with every core.
compile() {
  local name=$1; shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  run "$logdir/$name.log" cmake --build "$workdir/$name-build" -j "$jobs" "${targets[@]}"
}

# install_tree NAME: runs the project's own install rules.
install_tree() {
  run "$logdir/$1.log" cmake --install "$workdir/$1-build"
}

# build_debian NAME SRCPKG OPTIONS: fetches, unpacks and builds one of the
# Debian source packages unless its stamp says it is already there.
# The function NAME_build does the build proper.
build_debian() {
  local name=$1 pkg=$2 options=$3
  if up_to_date "$name" "$options"; then
    return
  fi
  local start=$SECONDS dsc version src=$workdir/$name-src
  fetch "$pkg"
  version=$(sed -n 's/^Version: //p' "$dsc" | head -n 1)
  unpack "$dsc" "$src"
  : >"$logdir/$name.log"
  # shellcheck disable=SC2086 # the options are separate words
  "${name}_build" "$src" $options
  stamp "$name" "$version" "$options" $((SECONDS - start))
}

# --- The libraries ---------------------------------------------------------

# zlib: its CMake project always builds a shared library beside the static
# one, and calls the static one libzlibstatic.a on Windows. Only the static library is
# built, and it is installed as libz.a, the name zlib.pc (-lz) and CMake's
# FindZLIB look for. zlib's own install rules bring the headers and zlib.pc.
zlib_options="-DSKIP_INSTALL_LIBRARIES=ON"
zlib_build() {
  local src=$1; shift
  # Outside MinGW zlib's CMake project lists win32/zlib1.rc, the shared
  # library's resource script, which Debian's source leaves out; the static
  # library never uses it, so an empty one lets the project configure.
  if [ ! -e "$src/win32/zlib1.rc" ]; then
    mkdir -p "$src/win32"
    : >"$src/win32/zlib1.rc"
  fi
  configure zlib "$src" -DINSTALL_PKGCONFIG_DIR="$prefix/lib/pkgconfig" "$@"
  compile zlib zlibstatic
  install_tree zlib
  # libzlibstatic.a on Windows, libz.a where zlib takes the target for Unix.
  local lib
  for lib in libzlibstatic.a libz.a; do
    if [ -f "$workdir/zlib-build/$lib" ]; then
      install -m 644 "$workdir/zlib-build/$lib" "$prefix/lib/libz.a"
      return
    fi
  done
  say "zlib built no static library" >&2
  exit 1
}

# FreeType: no bzip2, Brotli, libpng or HarfBuzz; gzip-compressed fonts go
# through the zlib built above, as on Linux. (Its bundled inflate code is not
# an option: it defines zlib's symbols too, and the game links zlib itself.)
# freetype2.pc and FreeType's CMake target list zlib after FreeType.
freetype_options="-DFT_REQUIRE_ZLIB=TRUE -DFT_DISABLE_BZIP2=TRUE -DFT_DISABLE_PNG=TRUE -DFT_DISABLE_HARFBUZZ=TRUE -DFT_DISABLE_BROTLI=TRUE"
freetype_build() {
  local src=$1; shift
  configure freetype "$src" "$@"
  compile freetype
  install_tree freetype
}

# SDL2: the static library and SDL2main only, without the test library.
sdl2_options="-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_CCACHE=OFF"
sdl2_build() {
  local src=$1; shift
  configure sdl2 "$src" "$@"
  compile sdl2
  install_tree sdl2
}

# SDL2_image: stb_image decodes PNG and JPEG; the formats that would need an
# outside library (AVIF, JPEG XL, TIFF, WebP) are off. ICO and CUR come with
# the BMP loader.
sdl2_image_options="-DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_BMP=ON -DSDL2IMAGE_PNG=ON"
sdl2_image_build() {
  local src=$1; shift
  # The installed SDL2_imageConfig.cmake would look for the JPEG and PNG
  # packages whenever those formats are on, even when stb_image decodes them
  # and the library never uses libjpeg or libpng; find_package(SDL2_image)
  # then fails. Ask for them only when no built-in backend is in use.
  sed -i 's/^if(SDL2IMAGE_\(JPG\|PNG\) AND NOT SDL2IMAGE_VENDORED AND /&NOT SDL2IMAGE_BACKEND_STB AND NOT SDL2IMAGE_BACKEND_WIC AND NOT SDL2IMAGE_BACKEND_IMAGEIO AND /' \
    "$src/SDL2_imageConfig.cmake.in"
  if [ "$(grep -c 'AND NOT SDL2IMAGE_BACKEND_STB AND' "$src/SDL2_imageConfig.cmake.in")" -ne 2 ]; then
    say "SDL2_imageConfig.cmake.in no longer has the expected JPEG/PNG lookups" >&2
    exit 1
  fi
  configure sdl2_image "$src" "$@"
  compile sdl2_image
  install_tree sdl2_image
  write_pc "$src" SDL2_image
}

# SDL2_mixer: WAV, and Ogg Vorbis through the bundled stb_vorbis. FLAC, MOD,
# MP3, MIDI, Opus and the external music command are off.
sdl2_mixer_options="-DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_WAVE=ON"
sdl2_mixer_build() {
  local src=$1; shift
  configure sdl2_mixer "$src" "$@"
  compile sdl2_mixer
  install_tree sdl2_mixer
  write_pc "$src" SDL2_mixer
}

# write_pc SRC NAME: SDL2_image and SDL2_mixer install a .pc file only when
# built as a DLL. This fills in their own NAME.pc.in for the static library,
# so that pkg-config finds them as it does on Linux. Neither needs an outside
# library here, so the private fields stay empty.
write_pc() {
  local src=$1 name=$2 version sdl_version
  version=$(sed -n 's/^set(\(MAJOR\|MINOR\|MICRO\)_VERSION \([0-9]*\))$/\2/p' "$src/CMakeLists.txt" | paste -sd.)
  sdl_version=$(sed -n 's/^set(SDL_REQUIRED_VERSION \(.*\))$/\1/p' "$src/CMakeLists.txt")
  sed -e "s|@prefix@|$prefix|" \
      -e 's|@exec_prefix@|${prefix}|' \
      -e 's|@libdir@|${exec_prefix}/lib|' \
      -e 's|@includedir@|${prefix}/include|' \
      -e "s|@PACKAGE@|$name|" \
      -e "s|@VERSION@|$version|" \
      -e "s|@SDL_VERSION@|$sdl_version|" \
      -e 's|@PC_REQUIRES@||' \
      -e 's|@PC_LIBS@||' \
      "$src/$name.pc.in" >"$prefix/lib/pkgconfig/$name.pc"
}

# GoogleTest and GoogleMock, from the sources that Debian's googletest
# package ships. On MinGW GoogleTest uses Windows threads, not pthreads; a
# target without threads adds -Dgtest_disable_pthreads=ON.
gtest_options="-DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_build_tests=OFF -Dgtest_build_samples=OFF -Dgmock_build_tests=OFF${gtest_extra_options:+ $gtest_extra_options}"
build_gtest() {
  if up_to_date gtest "$gtest_options"; then
    return
  fi
  local start=$SECONDS version
  version=$(dpkg-query -W -f='${Version}' googletest)
  : >"$logdir/gtest.log"
  # shellcheck disable=SC2086 # the options are separate words
  configure gtest /usr/src/googletest $gtest_options
  compile gtest
  install_tree gtest
  stamp gtest "$version" "$gtest_options" $((SECONDS - start))
}

# expat: the authoring library (pelzo-quiz, and the game opening a teacher's
# workbook) reads workbooks' XML with it. The static library only,
# without its xmlwf tool, examples, tests or documentation; its CMake package
# (expat::expat) tells the tool's build XML_STATIC.
expat_options="-DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF -DEXPAT_BUILD_PKGCONFIG=ON"
expat_build() {
  local src=$1; shift
  # The release's CMake project sits at the top of the source package, or
  # in expat/ where the package follows the upstream repository.
  [ -f "$src/CMakeLists.txt" ] || src=$src/expat
  # Debian's security patches test "#if XML_DTD == 1", as its autotools
  # build defines it; the CMake project's header defines it empty.
  sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$src/expat_config.h.cmake"
  if ! grep -q '^#cmakedefine XML_DTD 1$' "$src/expat_config.h.cmake"; then
    say "expat_config.h.cmake no longer has the expected XML_DTD line" >&2
    exit 1
  fi
  configure expat "$src" "$@"
  compile expat
  install_tree expat
}

# build_tool_libraries: the libraries pelzo-quiz needs beyond the game's
# (the browser port builds no pelzo-quiz and skips them): where the C
# library has no gettext (libintl_host set: Windows), libintl.
build_tool_libraries() {
  if [ -n "${libintl_host:-}" ]; then
    build_debian libintl gettext "$libintl_options"
  fi
}

# libintl, the gettext runtime that pelzo-quiz's messages are translated
# through (glibc has it built in; Windows has none): only gettext-runtime's
# intl folder is built, static, without iconv (the catalogs are UTF-8 and the
# tool asks for UTF-8, so nothing is converted), with Windows' own threads.
libintl_options="--disable-shared --enable-static --disable-java --disable-csharp --disable-libasprintf --enable-threads=windows --without-libiconv-prefix am_cv_func_iconv=no"
libintl_build() {
  local src=$1; shift
  # Debian's patches leave configure.ac newer than the configure and
  # Makefile.in made from it, and make would then ask for the automake
  # that made them: the generated files are marked current, oldest first.
  find "$src/gettext-runtime" -name aclocal.m4 -exec touch {} +
  sleep 1
  find "$src/gettext-runtime" \( -name configure -o -name config.h.in -o -name Makefile.in \) -exec touch {} +
  rm -rf "$workdir/libintl-build"
  mkdir -p "$workdir/libintl-build"
  run "$logdir/libintl.log" env -C "$workdir/libintl-build" "$src/gettext-runtime/configure" \
    --host="$libintl_host" --prefix="$prefix" CC="$libintl_host-gcc-posix" "$@"
  run "$logdir/libintl.log" make -C "$workdir/libintl-build/intl" -j "$jobs"
  run "$logdir/libintl.log" make -C "$workdir/libintl-build/intl" install
}

# build_libraries: every library, in dependency order.
build_libraries() {
  if [ ! -f "$toolchain" ]; then
    say "missing $toolchain" >&2
    exit 1
  fi
  build_debian zlib zlib "$zlib_options"
  build_debian freetype freetype "$freetype_options"
  build_debian sdl2 libsdl2 "$sdl2_options"
  build_debian sdl2_image libsdl2-image "$sdl2_image_options"
  build_debian sdl2_mixer libsdl2-mixer "$sdl2_mixer_options"
  build_debian expat expat "$expat_options"
  build_gtest
  say "libraries ready in $prefix"
}
