#!/usr/bin/env bash
# Installs the project to a temporary prefix and checks the installed package
# the way a host author uses it: the library leaves the host's items to the
# host, every installed header compiles on its own, the versions agree, and the
# example host in examples/host/ builds against the package with find_package
# and with pkg-config, and writes an example deck back exactly as the
# installed abimport tool does. The guide's code must be the example's code.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/require-packages.sh cmake g++ make pkgconf binutils

deck=${1:-examples/airbags.k}
work=$(mktemp -d /tmp/abimport-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "check-install: $*" >&2; exit 1; }

make install BUILD="$work/build" PREFIX="$prefix" CMAKE_FLAGS="${CMAKE_FLAGS:--DABIMPORT_WERROR=ON}"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
lib=$prefix/lib/libabimport.so

# The host's items: referenced by the library, defined by the host alone.
host_items='Card::contFlag|ImportObject::ImportObject\(|ImportObject::~ImportObject\(|DataLine::DataLine\(|DataLine::~DataLine\(|^(addIDToRefFile|airbagFind|airbagVentHoleFind|airbagAdvancedAle)\('
if nm -D -C --defined-only "$lib" | cut -c20- | grep -E "$host_items"; then
  fail "libabimport.so defines the host items above"
fi
[ "$(nm -D -C --undefined-only "$lib" | cut -c20- | grep -cE "$host_items")" -eq 5 ] ||
  fail "libabimport.so should reference Card::contFlag and the four reporting functions"
objdump -p "$lib" | grep -q 'SONAME *libabimport\.so\.1$' || fail "libabimport.so lacks its SONAME"

# Public headers only, and each one compiles on its own.
for internal in model/numbertext.h model/linefields.h model/aligntext.h frame/exponentrepair.h \
                frame/importbase.h host/textchecks.h; do
  [ ! -e "$prefix/include/abimport/$internal" ] || fail "internal header $internal is installed"
done
(cd "$prefix/include" && find abimport -name '*.h') | while read -r header; do
  echo "#include <$header>" | g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -x c++ \
    -I"$prefix/include" - || fail "$header does not compile on its own"
done

# One version everywhere: project, tool, loaded library, CMake package, pkg-config.
version=$(sed -n 's/^project(abimport VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$prefix/bin/abimport" --version)" = "$(printf 'abimport %s\nlibrary %s' "$version" "$version")" ] ||
  fail "abimport --version does not report $version for tool and library"
[ "$(pkg-config --modversion abimport)" = "$version" ] || fail "abimport.pc is not version $version"
grep -q "set(PACKAGE_VERSION \"$version\")" "$prefix/lib/cmake/abimport/abimportConfigVersion.cmake" ||
  fail "the CMake package is not version $version"

# The example host, built both ways, writes the deck back as the tool does,
# apart from the tool's "$ FILE:LINE" comments.
"$prefix/bin/abimport" "$deck" | grep -vE '^\$ .*:[0-9]+$' >"$work/expected.k"
cmake -S examples/host -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror"
cmake --build "$work/example"
(cd examples/host &&
  g++ -std=c++17 -Wall -Wextra -Werror -O2 main.cpp -o "$work/host-example-pc" \
    $(pkg-config --cflags --libs abimport) -Wl,-rpath,"$(pkg-config --variable=libdir abimport)")
for example in "$work/example/host-example" "$work/host-example-pc"; do
  "$example" "$deck" >"$work/out.k" || fail "$example failed on $deck"
  diff -u "$work/expected.k" "$work/out.k" || fail "$example writes $deck differently from abimport"
done

# The optional stand-in host links through its own pkg-config file.
cat >"$work/standin.cpp" <<'EOF'
#include <abimport/host/deckimport.h>
#include <cstdio>
int main(int, char** argv) {
    DataLine dataLine(argv[1]);
    ABImport registry;
    registry.initABALETypesAndFunctions();
    ImportObject target;
    std::printf("%zu\n", dataLine.isOpen() ? importDeck(dataLine, registry, target) : 0);
}
EOF
g++ -std=c++17 "$work/standin.cpp" -o "$work/standin" $(pkg-config --cflags --libs abimport-host) \
  -Wl,-rpath,"$(pkg-config --variable=libdir abimport)"
[ "$("$work/standin" "$deck")" = "$(grep -c '^\*AIRBAG' "$work/expected.k")" ] ||
  fail "the stand-in host imports a different number of keywords"

# The guide shows the example's code verbatim.
sed -n '/^```cpp$/,/^```$/p' docs/host-guide.md | sed '1d;$d' | diff -u examples/host/main.cpp - ||
  fail "docs/host-guide.md does not show examples/host/main.cpp"
echo "check-install: OK (abimport $version; $deck written back the same by both builds)"
