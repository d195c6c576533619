# shellcheck shell=bash
# shellcheck disable=SC2154 # work, packages, host, prefix and jobs are the sourcing recipe's
# shellcheck disable=SC2164 # the recipes run with errexit
# debian-sources.sh: sourced by the recipes that build the engine's
# dependencies from Debian's source packages for another system
# (scripts/windows-deps.sh, scripts/web-deps.sh) and by the scripts that run
# them (scripts/build-windows.sh, scripts/build-web.sh). Each defines say
# (its messages) first; the recipes set work (their work folder), packages
# (the source packages they build), host, prefix and jobs.

# Runs a step in a subshell with its output in $work/NAME.log, shown when
# it fails. Started in the background so that errexit stays on inside it.
quietly() {
    local name=$1 log=$work/$1.log status=0
    shift
    say "$name"
    ("$@") >"$log" 2>&1 &
    wait $! || status=$?
    if ((status != 0)); then
        tail -n 30 "$log" >&2
        say "$name failed (see $log)" >&2
        exit 1
    fi
}

# The source packages, downloaded with a private list of Debian's sources
# (never through the machine's apt configuration) and unpacked in $work/src.
fetch_sources() {
    local apt=$work/apt
    rm -rf "$work/dl" "$work/src"
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$work/dl" "$work/src"
    cat >"$apt/sources.list.d/debian-sources.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    local options=(-o "Dir::Etc::SourceParts=$apt/sources.list.d" -o Dir::Etc::SourceList=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o APT::Sandbox::User=root)
    apt-get "${options[@]}" -qq update
    (cd "$work/dl" && apt-get "${options[@]}" -qq source --download-only "${packages[@]}")
    local dsc
    for dsc in "$work"/dl/*.dsc; do
        (cd "$work/src" && dpkg-source --no-check -x "$dsc" >/dev/null)
    done
}

# The unpacked source folder of a package.
source_of() {
    local found
    found=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
    [[ -n $found ]] || { say "no source of $1" >&2; exit 1; }
    echo "$found"
}

# copy_copyrights PREFIX PACKAGE...: each package's copyright file in
# PREFIX/share/licenses/PACKAGE/, for the players' folders.
copy_copyrights() {
    local prefix=$1 package
    shift
    for package in "$@"; do
        mkdir -p "$prefix/share/licenses/$package"
        cp "$(source_of "$package")/debian/copyright" "$prefix/share/licenses/$package/"
    done
}

# The libraries that build alike for every host ($host, into $prefix).
build_libpng() {
    cd "$(source_of libpng1.6)"
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static
    make -j"$jobs"
    make install
}

build_libogg() {
    cd "$(source_of libogg)"
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static
    make -j"$jobs"
    make install
}

build_libvorbis() {
    cd "$(source_of libvorbis)"
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static --disable-docs \
        --disable-examples --disable-oggtest --with-ogg="$prefix"
    make -j"$jobs"
    make install
}

build_freetype() {
    cd "$(source_of freetype)"
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static --with-zlib=yes \
        --without-png --without-bzip2 --without-harfbuzz --without-brotli
    make -j"$jobs"
    make install
}

# cached_dependencies RECIPE DEPS [FILE...]: runs the recipe into DEPS/prefix
# (work folder DEPS/work) unless DEPS/prefix/recipe holds the hash of the
# recipe, this file and the FILEs it builds with, as a finished run leaves it.
cached_dependencies() {
    local recipe=$1 deps=$2 hash
    shift 2
    hash=$(cat "$recipe" "${BASH_SOURCE[0]}" "$@" | sha256sum | cut -d' ' -f1)
    if [[ -f $deps/prefix/recipe && $(cat "$deps/prefix/recipe") == "$hash" ]]; then
        say "dependencies up to date in $deps/prefix"
        return
    fi
    local started=$SECONDS
    bash "$recipe" "$deps/prefix" "$deps/work"
    echo "$hash" >"$deps/prefix/recipe"
    say "dependencies built in $((SECONDS - started)) s"
}
