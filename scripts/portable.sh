#!/usr/bin/env bash
# A folder Quarlo runs from with nothing installed, for systems that take no
# .deb (SteamOS is read-only; Deck players run programs from their home):
# the binary, the Qt libraries and plugins it needs, and a small script that
# points them at each other. Also packed as a .tar.gz.
#   scripts/portable.sh BUILD_DIR OUT_DIR
# Libraries every desktop Linux has in a version at least as new stay out
# (the C library, the C++ runtime, OpenGL, the X11 core, fontconfig, D-Bus):
# an older copy of those would break the system's graphics drivers.
set -euo pipefail
build=$1
out=$2
version=$(sed -n 's/^project(Quarlo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=quarlo-$version-linux-x86_64
dir=$out/$name
rm -rf "$dir" "$out/$name.tar.gz"
mkdir -p "$dir/bin" "$dir/lib" "$dir/plugins"

qtplugins=$(dirname "$(dirname "$(readlink -f "$(ldd "$build/ui/qt/quarlo-gui" |
    awk '/libQt6Core/ {print $3}')")")")/qt6/plugins
[ -d "$qtplugins" ] || qtplugins=/usr/lib/x86_64-linux-gnu/qt6/plugins

# The command line, and the Qt program it becomes for the window and picker.
for program in quarlo quarlo-gui; do
    install -m 755 "$build/ui/qt/$program" "$dir/bin/$program"
    strip "$dir/bin/$program" 2>/dev/null || true
done
for plugin in platforms/libqxcb.so platforms/libqoffscreen.so \
              xcbglintegrations/libqxcb-glx-integration.so; do
    if [ -f "$qtplugins/$plugin" ]; then
        mkdir -p "$dir/plugins/$(dirname "$plugin")"
        install -m 644 "$qtplugins/$plugin" "$dir/plugins/$plugin"
    fi
done

keep_out='^(linux-vdso|ld-linux|libc\.|libm\.|libdl\.|libpthread\.|librt\.|libresolv\.|libutil\.|libstdc\+\+|libgcc_s|libGL|libEGL|libGLX|libOpenGL|libGLdispatch|libdrm|libX11\.|libX11-xcb|libxcb\.so|libXau|libXdmcp|libfontconfig|libfreetype|libdbus-1|libsystemd)'
# Every library the binary and the plugins reach, followed to the end.
for file in "$dir/bin/quarlo" "$dir/bin/quarlo-gui" $(find "$dir/plugins" -name '*.so'); do
    ldd "$file" | awk '$3 ~ /^\// {print $1, $3}'
done | sort -u | while read -r soname path; do
    if ! [[ $soname =~ $keep_out ]]; then
        install -m 644 "$(readlink -f "$path")" "$dir/lib/$soname"
    fi
done

cat > "$dir/bin/qt.conf" <<'CONF'
[Paths]
Plugins = ../plugins
CONF
# The environment goes on untouched: the game a launch option starts
# through Quarlo inherits it. quarlo-gui finds its Qt in ../lib by its RPATH
# and the plugins by qt.conf.
cat > "$dir/quarlo" <<'SCRIPT'
#!/bin/sh
# Quarlo from this folder, wherever it lies.
here=$(dirname "$(readlink -f "$0")")
exec "$here/bin/quarlo" "$@"
SCRIPT
chmod 755 "$dir/quarlo"
# The catalogues, where the program looks beside bin/.
mkdir -p "$dir/share"
cp -r "$build/locale" "$dir/share/locale"
cp README.md "$dir/README.md"
tar -C "$out" -czf "$out/$name.tar.gz" "$name"
echo "$dir"
