# The steps of scripts/windows.sh: the Windows libraries built from Debian's sources, the
# cross-build, the zip and the installer, and the tests under Wine. Sourced after common.sh.

MINGW=x86_64-w64-mingw32
WIN_CC="$MINGW-gcc-posix"
WIN_CXX="$MINGW-g++-posix"
WIN_DEPS="${FERDANO_WIN_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/ferdano-win-deps}"
WIN_SYSROOT="$WIN_DEPS/sysroot"   # SQLite, libjpeg-turbo, libpq
WIN_QT="$WIN_DEPS/qt"
WIN_BUILD_DIR="${FERDANO_WIN_BUILD_DIR:-$FERDANO_ROOT/build-win}"
WIN_JOBS="${FERDANO_WIN_JOBS:-$(nproc)}"
WINE=/usr/lib/wine/wine64

WIN_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 nsis
              dpkg-dev tcl cmake ninja-build qt6-base-dev qt6-base-dev-tools xvfb python3-pil zip unzip
              xdotool x11-utils fonts-liberation)

# Debian's source packages need a deb-src line; it is added beside the system's own lines.
win_source_lines() {
  if apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then return 0; fi
  as_root tee /etc/apt/sources.list.d/ferdano-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  as_root apt-get update -qq
}

win_packages() {
  ensure_packages "${WIN_PACKAGES[@]}"
}

win_toolchain() {
  mkdir -p "$WIN_DEPS"
  cat >"$WIN_DEPS/toolchain.cmake" <<EOF
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER $WIN_CC)
set(CMAKE_CXX_COMPILER $WIN_CXX)
set(CMAKE_RC_COMPILER $MINGW-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$MINGW $WIN_SYSROOT $WIN_QT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF
}

# One source package, unpacked with Debian's patches into the work folder; prints its folder.
win_unpack() {
  local pkg="$1" work="$WIN_DEPS/work"
  mkdir -p "$work"
  if ! ls -d "$work/$pkg"-*/ >/dev/null 2>&1; then
    (cd "$work" && apt-get source -qq "$pkg" >"$work/$pkg.log" 2>&1) || { cat "$work/$pkg.log" >&2; return 1; }
  fi
  ls -d "$work/$pkg"-*/ | head -n 1 | sed 's:/$::'
}

win_version() {
  apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

# A dependency is built once per source version; its stamp says which.
win_done() { [ "$(cat "$WIN_DEPS/.$1" 2>/dev/null)" = "$(win_version "$1")" ]; }
win_stamp() { win_version "$1" >"$WIN_DEPS/.$1"; }

win_deps_ready() {
  [ -x "$WIN_QT/bin/qt-cmake" ] && [ -f "$WIN_SYSROOT/bin/sqlite3.dll" ] && [ -f "$WIN_SYSROOT/lib/libjpeg.a" ] \
    && [ -f "$WIN_SYSROOT/bin/libpq.dll" ]
}

win_dep_sqlite() {
  win_done sqlite3 && return 0
  echo "== SQLite for Windows"
  local src
  src="$(win_unpack sqlite3)"
  rm -rf "$src/win-amalgamation" && mkdir -p "$src/win-amalgamation"
  (cd "$src/win-amalgamation" && ../configure >configure.log 2>&1 && make sqlite3.c >make.log 2>&1)
  mkdir -p "$WIN_SYSROOT/bin" "$WIN_SYSROOT/lib" "$WIN_SYSROOT/include"
  # The options of Qt's own copy of SQLite; the library exports its whole interface, which the
  # program's Czech collation takes from the driver's loaded library.
  (cd "$src/win-amalgamation" && "$WIN_CC" -O2 -shared -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE -DSQLITE_OMIT_LOAD_EXTENSION=0 sqlite3.c -o sqlite3.dll \
    -Wl,--out-implib,libsqlite3.dll.a -static-libgcc)
  cp "$src/win-amalgamation/sqlite3.dll" "$WIN_SYSROOT/bin/"
  cp "$src/win-amalgamation/libsqlite3.dll.a" "$WIN_SYSROOT/lib/"
  cp "$src/win-amalgamation/sqlite3.h" "$src/win-amalgamation/sqlite3ext.h" "$WIN_SYSROOT/include/"
  win_stamp sqlite3
}

win_dep_jpeg() {
  win_done libjpeg-turbo && return 0
  echo "== libjpeg-turbo for Windows"
  local src
  src="$(win_unpack libjpeg-turbo)"
  rm -rf "$src/win-build"
  # Static, without the assembler routines: the program decodes only small pictures.
  cmake -S "$src" -B "$src/win-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WIN_DEPS/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$WIN_SYSROOT" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >"$src/win-build.log" 2>&1 || { tail -30 "$src/win-build.log"; return 1; }
  cmake --build "$src/win-build" -j "$WIN_JOBS" >>"$src/win-build.log" 2>&1 || { tail -30 "$src/win-build.log"; return 1; }
  cmake --install "$src/win-build" >>"$src/win-build.log" 2>&1
  win_stamp libjpeg-turbo
}

win_dep_libpq() {
  local pkg
  pkg="$(apt-cache showsrc postgresql-15 >/dev/null 2>&1 && echo postgresql-15)"
  win_done "$pkg" && return 0
  echo "== libpq (PostgreSQL's client library) for Windows"
  local src
  src="$(win_unpack "$pkg")"
  rm -rf "$src/win-build" && mkdir -p "$src/win-build"
  # The client library only, without SSL: stations reach the school's server on its own network.
  (cd "$src/win-build" && ../configure --host="$MINGW" CC="$WIN_CC" --prefix="$WIN_SYSROOT" --without-readline \
     --without-zlib --without-icu --without-openssl >configure.log 2>&1) \
    || { tail -30 "$src/win-build/configure.log"; return 1; }
  (cd "$src/win-build" && make -C src/interfaces/libpq -j "$WIN_JOBS" >make.log 2>&1 \
     && make -C src/interfaces/libpq install >>make.log 2>&1 && make -C src/include install >>make.log 2>&1) \
    || { tail -30 "$src/win-build/make.log"; return 1; }
  [ -f "$WIN_SYSROOT/bin/libpq.dll" ] || cp "$src/win-build/src/interfaces/libpq/libpq.dll" "$WIN_SYSROOT/bin/"
  win_stamp "$pkg"
}

# Qt 6.4 built without Direct2D (which the program does not need) compiles the DirectWrite
# font engine only with it, yet its print engine calls that engine: the engine is compiled
# without Direct2D, and the DirectWrite font database, which needs Direct2D code, stays out of
# the Windows plugin as it stays out of Gui.
win_patch_qt() {
  local src="$1"
  sed -i 's/^qt_internal_extend_target(Gui CONDITION QT_FEATURE_direct2d AND QT_FEATURE_directwrite AND WIN32$/qt_internal_extend_target(Gui CONDITION QT_FEATURE_directwrite AND WIN32/' \
    "$src/src/gui/CMakeLists.txt"
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
}

win_dep_qt() {
  win_done qt6-base && [ -x "$WIN_QT/bin/qt-cmake" ] && return 0
  echo "== Qt for Windows (about 80 minutes on two shared cores)"
  local src bld
  src="$(win_unpack qt6-base)"
  win_patch_qt "$src"
  # an interrupted build goes on where it stopped
  bld="$WIN_DEPS/work/qt-build"
  mkdir -p "$bld"
  # Debian's host tools (moc, rcc, uic) serve the cross build. Qt's own copies of zlib, libpng,
  # libjpeg, FreeType, HarfBuzz and PCRE are built in; SQLite and libpq are the libraries above.
  # The tablet header of the Windows plugin is not in Debian's source, hence no tablet events.
  (cd "$bld" && "$src/configure" -prefix "$WIN_QT" -release -shared -xplatform win32-g++ -qt-host-path /usr \
     -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-direct2d -no-feature-tabletevent \
     -no-feature-network -no-feature-concurrent -no-feature-xml -no-feature-vulkan \
     -sql-sqlite -system-sqlite -sql-psql -no-sql-odbc -no-sql-mysql -no-sql-ibase -no-sql-db2 -no-sql-oci \
     -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre \
     -- -G Ninja -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
     -DCMAKE_TOOLCHAIN_FILE="$WIN_DEPS/toolchain.cmake" \
     -DSQLite3_INCLUDE_DIR="$WIN_SYSROOT/include" -DSQLite3_LIBRARY="$WIN_SYSROOT/lib/libsqlite3.dll.a" \
     -DPostgreSQL_INCLUDE_DIR="$WIN_SYSROOT/include" -DPostgreSQL_LIBRARY="$WIN_SYSROOT/lib/libpq.a" \
     >"$bld/configure.log" 2>&1) || { tail -40 "$bld/configure.log"; return 1; }
  cmake --build "$bld" --parallel "$WIN_JOBS" >>"$bld/build.log" 2>&1 || { tail -40 "$bld/build.log"; return 1; }
  cmake --install "$bld" >"$bld/install.log" 2>&1 || { tail -40 "$bld/install.log"; return 1; }
  win_stamp qt6-base
}

# Qt Charts from Debian's qt6-charts, built as a module of the Qt above (its qt-cmake, Debian's
# host tools) and installed into it. That Qt has no OpenGL, so Qt6Charts.dll needs nothing but
# Qt6Core, Qt6Gui and Qt6Widgets. Built when missing from the cache; when Debian's source cannot
# be had, the build goes on without it and says so: the program's chart module (ferdano_chart.dll)
# is then not built, and the statistics window shows the chart's summary in its place.
win_dep_charts() {
  win_done qt6-charts && [ -f "$WIN_QT/bin/Qt6Charts.dll" ] && return 0
  echo "== Qt Charts for Windows"
  local src bld
  if ! src="$(win_unpack qt6-charts)"; then
    echo "   Qt Charts: Debian's source package qt6-charts could not be fetched; the program is built without its chart module (the statistics window shows the chart's summary instead)"
    return 0
  fi
  bld="$WIN_DEPS/work/charts-build"
  rm -rf "$bld"
  "$WIN_QT/bin/qt-cmake" -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF >"$WIN_DEPS/work/charts-configure.log" 2>&1 \
    || { tail -40 "$WIN_DEPS/work/charts-configure.log"; return 1; }
  cmake --build "$bld" --parallel "$WIN_JOBS" >"$WIN_DEPS/work/charts-build.log" 2>&1 \
    || { tail -40 "$WIN_DEPS/work/charts-build.log"; return 1; }
  cmake --install "$bld" >"$WIN_DEPS/work/charts-install.log" 2>&1 \
    || { tail -40 "$WIN_DEPS/work/charts-install.log"; return 1; }
  [ -f "$WIN_QT/bin/Qt6Charts.dll" ] || { echo "Qt Charts built, but no Qt6Charts.dll in $WIN_QT/bin" >&2; return 1; }
  win_stamp qt6-charts
}

win_deps() {
  win_source_lines
  win_toolchain
  win_dep_sqlite
  win_dep_jpeg
  win_dep_libpq
  win_dep_qt
  win_dep_charts
  rm -rf "$WIN_DEPS/work"
  echo "Windows libraries ready in $WIN_DEPS ($(du -sh "$WIN_DEPS" | cut -f1))"
}

# ---- the cross-build ----

win_version_of_program() {
  sed -n 's/^project(Ferdano VERSION \([0-9.]*\).*/\1/p' "$FERDANO_ROOT/CMakeLists.txt"
}

# The program's icon for its file and the shortcuts, drawn from the built-in logo.
win_icon() {
  /usr/bin/python3 - "$FERDANO_ROOT/src/widgets/skins/logo.png" "$WIN_BUILD_DIR/ferdano.ico" <<'PY'
import sys
from PIL import Image
logo = Image.open(sys.argv[1]).convert("RGBA")
side = max(logo.size)
square = Image.new("RGBA", (side, side), (0, 0, 0, 0))
square.paste(logo, ((side - logo.size[0]) // 2, (side - logo.size[1]) // 2))
square.resize((256, 256), Image.LANCZOS).save(sys.argv[2], sizes=[(16, 16), (32, 32), (48, 48), (256, 256)])
PY
}

# Test executables of the Windows build (those CTest knows, without the twin runs of the same
# executable; the POSIX-only ones are not built).
win_test_targets() {
  (cd "$WIN_BUILD_DIR" && ctest -N) | sed -n 's/^ *Test *#[0-9]*: \(tst_[a-z0-9_]*\)$/\1/p' | grep -v -E '_(pg|nochart)$' | sort -u
}

win_build() {
  local what="${1:-all}"
  mkdir -p "$WIN_BUILD_DIR"
  [ -f "$WIN_BUILD_DIR/ferdano.ico" ] || win_icon
  # ccache keeps the objects of earlier builds, as for the Linux build
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  if [ ! -f "$WIN_BUILD_DIR/build.ninja" ]; then
    cmake -S "$FERDANO_ROOT" -B "$WIN_BUILD_DIR" -G Ninja "${launcher[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$WIN_QT/lib/cmake/Qt6/qt.toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DFERDANO_BUILD_BENCH=OFF -DFERDANO_WIN_ICON="$WIN_BUILD_DIR/ferdano.ico" \
      -DJPEG_INCLUDE_DIR="$WIN_SYSROOT/include" -DJPEG_LIBRARY="$WIN_SYSROOT/lib/libjpeg.a" \
      -DCMAKE_CROSSCOMPILING_EMULATOR="$FERDANO_ROOT/scripts/windows/wine-test.sh" >"$WIN_BUILD_DIR/cmake.log" 2>&1 \
      || { tail -30 "$WIN_BUILD_DIR/cmake.log"; return 1; }
  else
    # test files added since the last build become targets before the targets are listed
    cmake "$WIN_BUILD_DIR" >"$WIN_BUILD_DIR/cmake.log" 2>&1 || { tail -30 "$WIN_BUILD_DIR/cmake.log"; return 1; }
  fi
  local targets=(ferdano ferdano-dbbuild)
  case "$what" in
    program) ;;
    check) targets+=("${WIN_CHECK_TESTS[@]}") ;;
    *) mapfile -t -O 2 targets < <(win_test_targets) ;;
  esac
  echo "== cross-building ${#targets[@]} targets into $WIN_BUILD_DIR"
  cmake --build "$WIN_BUILD_DIR" -j "$WIN_JOBS" --target "${targets[@]}"
}

# ---- Wine ----

WIN_RUNTIME_DIRS=("/usr/lib/gcc/$MINGW/12-posix" "/usr/$MINGW/lib")

# Runs under Wine in a prefix of the build folder, with the libraries of the cache on the path.
win_wine_env() {
  export WINEPREFIX="$WIN_BUILD_DIR/wine"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local path="" d
  for d in "$WIN_QT/bin" "$WIN_SYSROOT/bin" "${WIN_RUNTIME_DIRS[@]}"; do path="$path;Z:${d//\//\\}"; done
  export WINEPATH="${path#;}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== a Wine prefix in $WINEPREFIX"
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    # Wine hands no QT_* variable to Windows processes; what every process of the prefix gets is
    # in its registry: Qt's messages on standard error, where the script reads them.
    "$WINE" reg add 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /d 1 /f >/dev/null 2>&1
    # no crash dialog that waits for a click: a crash ends the process
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  # Wine has neither Arial nor Courier New, which the program asks for, and falls back to a serif
  # face; the prefix shows their metric twins, Liberation Sans and Mono, under their names, as
  # near as Wine comes to what a school's PC shows.
  if ! grep -q '"Courier New"="Liberation Mono"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f >/dev/null 2>&1
    "${WINE%/*}/wineserver" -w 2>/dev/null || true
  fi
}

# ---- the zip and the installer ----

WIN_QT_DLLS=(Qt6Core Qt6Gui Qt6Widgets Qt6Sql Qt6PrintSupport)
WIN_QT_PLUGINS=(platforms/qwindows sqldrivers/qsqlite sqldrivers/qsqlpsql styles/qwindowsvistastyle imageformats/qjpeg)
WIN_RUNTIME_DLLS=(libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
# What every Windows 10 and 11 has; anything else that the program imports must be shipped.
WIN_SYSTEM_DLLS="advapi32 authz bcrypt comctl32 comdlg32 crypt32 d3d11 d3d12 d3d9 dwmapi dwrite dxgi gdi32 imm32 \
kernel32 mpr msvcrt netapi32 ntdll ole32 oleaut32 secur32 setupapi shcore shell32 shlwapi user32 userenv uxtheme \
version winmm winspool.drv ws2_32 wtsapi32 iphlpapi dnsapi normaliz d2d1"

WIN_STAGE=""

win_package() {
  local version
  version="$(win_version_of_program)"
  WIN_STAGE="$WIN_BUILD_DIR/stage/Ferdano"
  rm -rf "$WIN_BUILD_DIR/stage" && mkdir -p "$WIN_STAGE"
  echo "== the program folder $WIN_STAGE"
  cp "$WIN_BUILD_DIR/bin/ferdano.exe" "$WIN_BUILD_DIR/bin/ferdano-dbbuild.exe" "$WIN_STAGE/"
  local f d
  for f in "${WIN_QT_DLLS[@]}"; do cp "$WIN_QT/bin/$f.dll" "$WIN_STAGE/"; done
  # the statistics window's chart module and its Qt Charts, where the cache has Qt Charts
  if [ -f "$WIN_BUILD_DIR/bin/ferdano_chart.dll" ] && [ -f "$WIN_QT/bin/Qt6Charts.dll" ]; then
    cp "$WIN_BUILD_DIR/bin/ferdano_chart.dll" "$WIN_QT/bin/Qt6Charts.dll" "$WIN_STAGE/"
  fi
  for f in "${WIN_QT_PLUGINS[@]}"; do
    mkdir -p "$WIN_STAGE/$(dirname "$f")"
    cp "$WIN_QT/plugins/$f.dll" "$WIN_STAGE/$f.dll"
  done
  cp "$WIN_SYSROOT/bin/sqlite3.dll" "$WIN_SYSROOT/bin/libpq.dll" "$WIN_STAGE/"
  for f in "${WIN_RUNTIME_DLLS[@]}"; do
    for d in "${WIN_RUNTIME_DIRS[@]}"; do [ -f "$d/$f" ] && { cp "$d/$f" "$WIN_STAGE/"; break; }; done
  done
  "$MINGW-strip" "$WIN_STAGE"/*.exe "$WIN_STAGE"/*.dll "$WIN_STAGE"/*/*.dll
  # Qt's own Czech texts (the print dialog, standard buttons), from Debian's translations.
  ensure_packages qt6-translations-l10n
  mkdir -p "$WIN_STAGE/translations"
  cp /usr/share/qt6/translations/qtbase_cs.qm "$WIN_STAGE/translations/"
  printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$WIN_STAGE/qt.conf"
  [ -f "$FERDANO_ROOT/Logo.bmp" ] && cp "$FERDANO_ROOT/Logo.bmp" "$WIN_STAGE/"
  win_check_imports "$WIN_STAGE"
  # The sample database, made by the Windows builder itself.
  win_wine_env
  "$WINE" "$WIN_STAGE/ferdano-dbbuild.exe" --source "Z:${FERDANO_ROOT//\//\\}\\bank" "$(win_path "$WIN_STAGE/DB")" \
    >"$WIN_BUILD_DIR/dbbuild.log" 2>&1 || { cat "$WIN_BUILD_DIR/dbbuild.log"; return 1; }
  [ -f "$WIN_STAGE/DB/ferdano.db" ] || { echo "no sample database in $WIN_STAGE/DB" >&2; return 1; }
  local zip="$WIN_BUILD_DIR/ferdano-$version-windows.zip"
  rm -f "$zip"
  (cd "$WIN_BUILD_DIR/stage" && zip -q -r -9 "$zip" Ferdano)
  echo "   $zip ($(du -h "$zip" | cut -f1))"
  local setup="$WIN_BUILD_DIR/ferdano-$version-setup.exe"
  makensis -V2 -DVERSION="$version" -DSTAGE="$WIN_STAGE" -DICON="$WIN_BUILD_DIR/ferdano.ico" -DOUTFILE="$setup" \
    "$FERDANO_ROOT/scripts/windows/ferdano.nsi"
  echo "   $setup ($(du -h "$setup" | cut -f1))"
}

win_path() {
  local p="$1"
  echo "Z:${p//\//\\}"
}

# Every DLL that a shipped file imports is shipped beside it or is part of Windows.
win_check_imports() {
  local stage="$1" missing=0 file dll
  local shipped
  shipped="$(find "$stage" -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')"
  while IFS= read -r file; do
    while IFS= read -r dll; do
      local lower="${dll,,}"
      grep -qx "$lower" <<<"$shipped" && continue
      [[ "$lower" == api-ms-win-* ]] && continue
      grep -qw -- "${lower%.dll}" <<<"$WIN_SYSTEM_DLLS" && continue
      echo "   ${file#$stage/} imports $dll, which is neither shipped nor part of Windows" >&2
      missing=1
    done < <("$MINGW-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  done < <(find "$stage" -iname '*.exe' -o -iname '*.dll')
  [ "$missing" -eq 0 ] || return 1
  echo "   every imported DLL is shipped or part of Windows"
}

# ---- the tests under Wine ----

# The unit and window tests, offscreen, on SQLite (the server twins need a server of the machine's).
# The tests that the README's test command runs: those of the platform layers and of start-up.
WIN_CHECK_TESTS=(tst_datamodule tst_helpers tst_signinlock tst_logondlg tst_zakdlg tst_startup tst_metafile)

win_test_units() {
  local only="${1:-}"
  win_wine_env
  echo "== the unit and window tests under Wine"
  local filter=(-E '_pg$')
  [ -n "$only" ] && filter+=(-R "^($only)\$")
  (cd "$WIN_BUILD_DIR" && ctest --output-on-failure "${filter[@]}" -j "$WIN_JOBS" --timeout 600)
}

WIN_XVFB_PID=""
WIN_DISPLAY=""

win_start_xvfb() {
  local n=70
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  WIN_XVFB_PID=$!
  WIN_DISPLAY=":$n"
  local i
  for i in $(seq 50); do xdpyinfo -display "$WIN_DISPLAY" >/dev/null 2>&1 && return 0; sleep 0.2; done
  echo "Xvfb did not start" >&2; return 1
}

win_stop_xvfb() {
  [ -n "$WIN_XVFB_PID" ] && kill "$WIN_XVFB_PID" 2>/dev/null && wait "$WIN_XVFB_PID" 2>/dev/null
  WIN_XVFB_PID=""
  return 0
}

# Waits for a window whose name matches and that is not one of the ids in NOT; prints the id of
# the largest such window (Wine keeps helper windows of the same name).
win_wait_window() {
  local name="$1" seconds="${2:-90}" not="${3:-}" i id best area
  for i in $(seq $((seconds * 2))); do
    best="" area=0
    for id in $(DISPLAY="$WIN_DISPLAY" xdotool search --onlyvisible --name "$name" 2>/dev/null); do
      [[ " $not " == *" $id "* ]] && continue
      local WIDTH=0 HEIGHT=0
      eval "$(DISPLAY="$WIN_DISPLAY" xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
      if [ $((WIDTH * HEIGHT)) -gt "$area" ]; then best="$id" area=$((WIDTH * HEIGHT)); fi
    done
    [ -n "$best" ] && { echo "$best"; return 0; }
    sleep 0.5
  done
  echo "no window named \"$name\" within $seconds s" >&2
  return 1
}

win_wait_gone() {
  local name="$1" seconds="${2:-30}" i
  for i in $(seq $((seconds * 2))); do
    DISPLAY="$WIN_DISPLAY" xdotool search --onlyvisible --name "$name" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  echo "the window \"$name\" is still there after $seconds s" >&2
  return 1
}

# A screenshot of the screen into FILE; fails unless the window's area shows a picture.
win_screenshot() {
  local file="$1" window="$2" geometry
  geometry="$(DISPLAY="$WIN_DISPLAY" xdotool getwindowgeometry --shell "$window")"
  /usr/bin/python3 - "$WIN_DISPLAY" "$file" "$geometry" <<'PY'
import sys
from PIL import Image, ImageGrab, ImageStat
display, path, geometry = sys.argv[1], sys.argv[2], dict(l.split("=", 1) for l in sys.argv[3].split())
shot = ImageGrab.grab(xdisplay=display)
shot.save(path)
x, y, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
window = shot.crop((x, y, x + w, y + h)).convert("RGB")
colours = window.getcolors(1 << 20) or []
spread = sum(ImageStat.Stat(window).stddev) / 3
print(f"   {path}: window {w}x{h} at {x},{y}, {len(colours)} colours, spread {spread:.1f}")
if w < 100 or h < 80 or len(colours) < 16 or spread < 10:
    sys.exit(f"the window at {x},{y} ({w}x{h}) is blank")
PY
}

win_wait_exit() {
  local pid="$1" seconds="${2:-30}" i
  for i in $(seq $((seconds * 2))); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
    sleep 0.5
  done
  echo "process $pid still runs after $seconds s" >&2
  return 255
}

# The program in FOLDER under Wine on a virtual X server: the main window with the sign-in over
# it, a second instance refused, the sign-in as the administrator, and the end through "Konec".
win_run_program() {
  win_wine_env
  win_start_xvfb
  local status=0
  DISPLAY="$WIN_DISPLAY" win_program_steps "$@" || status=$?
  # whatever a failed step left running in this Wine prefix ends with its server
  "${WINE%/*}/wineserver" -k 2>/dev/null || true
  win_stop_xvfb
  return $status
}

win_program_steps() {
  local folder="$1" shots="$2"
  mkdir -p "$shots"
  (cd "$folder" && exec "$WINE" ./ferdano.exe) >"$shots/first.log" 2>&1 &
  local first=$!
  local signin main
  signin="$(win_wait_window "^Přihlášení do systému$" 120)" || { cat "$shots/first.log"; return 1; }
  main="$(win_wait_window "^Ferdano$" 10)" || return 1
  sleep 2
  win_screenshot "$shots/signin.png" "$main" || return 1
  echo "   the main window and the sign-in are shown"

  local before
  before="$(xdotool search --name "^Ferdano$" 2>/dev/null | tr '\n' ' ')"
  (cd "$folder" && exec "$WINE" ./ferdano.exe) >"$shots/second.log" 2>&1 &
  local second=$!
  # It says so on standard error, hides its splash and shows the message in the general error
  # display, a message box titled "Ferdano".
  local i
  for i in $(seq 240); do grep -q "Ferdano already is runned.." "$shots/second.log" && break; sleep 0.5; done
  grep -q "Ferdano already is runned.." "$shots/second.log" \
    || { echo "the second instance did not say that one runs already:"; cat "$shots/second.log"; return 1; }
  sleep 2
  local message
  message="$(win_wait_window "^Ferdano$" 60 "$before")" || { cat "$shots/second.log"; return 1; }
  win_screenshot "$shots/second-instance.png" "$message" || return 1
  xdotool windowfocus "$message" 2>/dev/null; xdotool key Return
  local status=0
  win_wait_exit "$second" 60 || status=$?
  [ "$status" -eq 1 ] || { echo "the second instance ended with $status, not 1" >&2; return 1; }
  echo "   a second instance is refused: \"Ferdano already is runned..\""

  # the sign-in has the keyboard: Wine gave it the focus when it showed it
  sleep 0.5
  xdotool type --delay 80 "admin"
  xdotool key Tab
  xdotool type --delay 80 "ferdano"
  xdotool key Return
  win_wait_gone "^Přihlášení do systému$" 60 || return 1
  sleep 2
  win_screenshot "$shots/signed-in.png" "$main" || return 1
  echo "   signed in as the administrator"
  # "&Konec", the last button of the column (its centre at 510, 384 in the window)
  local X=0 Y=0
  eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(X|Y)=')"
  xdotool mousemove $((X + 510)) $((Y + 384)) click 1
  status=0
  win_wait_exit "$first" 60 || status=$?
  [ "$status" -eq 0 ] || { echo "the program ended with $status after Konec" >&2; cat "$shots/first.log"; return 1; }
  echo "   Konec ends the program"
}

# The installer, silently, into the Wine prefix; then the installed program.
win_test_installer() {
  local version setup
  version="$(win_version_of_program)"
  setup="$WIN_BUILD_DIR/ferdano-$version-setup.exe"
  win_wine_env
  echo "== the installer under Wine"
  "$WINE" "$setup" /S
  local installed="$WINEPREFIX/drive_c/Ferdano"
  local i
  for i in $(seq 60); do [ -f "$installed/uninstall.exe" ] && break; sleep 0.5; done
  [ -f "$installed/ferdano.exe" ] && [ -f "$installed/DB/ferdano.db" ] \
    || { echo "the installer left no program in $installed" >&2; return 1; }
  [ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ferdano.lnk" ] \
    || { echo "no Start-menu shortcut" >&2; return 1; }
  [ -f "$WINEPREFIX/drive_c/users/Public/Desktop/Ferdano.lnk" ] || { echo "no desktop shortcut" >&2; return 1; }
  echo "   installed into C:\\Ferdano with its shortcuts"
  # The installer's Wine session has no display; the program gets a session of its own.
  "${WINE%/*}/wineserver" -k 2>/dev/null || true
  win_run_program "$installed" "$WIN_BUILD_DIR/screens/installed"
  "$WINE" 'C:\Ferdano\uninstall.exe' /S
  for i in $(seq 60); do [ -f "$installed/ferdano.exe" ] || break; sleep 0.5; done
  [ ! -f "$installed/ferdano.exe" ] && [ -f "$installed/DB/ferdano.db" ] \
    || { echo "the uninstaller did not remove the program and keep DB" >&2; return 1; }
  rm -rf "$installed"
  echo "   the uninstaller removes the program and keeps DB"
}

win_test_all() {
  # the program and the installer are tried also when a unit test failed; the status tells
  local units=0
  win_test_units || units=$?
  echo "== the program from the zip under Wine"
  local run="$WIN_BUILD_DIR/run"
  rm -rf "$run" && mkdir -p "$run"
  (cd "$run" && unzip -q "$WIN_BUILD_DIR/ferdano-$(win_version_of_program)-windows.zip")
  win_run_program "$run/Ferdano" "$WIN_BUILD_DIR/screens/zip"
  win_test_installer
  if [ "$units" -ne 0 ]; then
    echo "Windows unit or window tests failed under Wine (see above)" >&2
    return "$units"
  fi
  echo "Windows build tested: $WIN_BUILD_DIR/ferdano-$(win_version_of_program)-windows.zip and -setup.exe"
}
