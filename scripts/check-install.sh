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

# Exported: only the classes and functions the installed headers declare.
public='^((typeinfo|typeinfo name|vtable) for )?(Object|Data|UInteger|Integer|Double|CharArray|BlankObject|Card|DataLine|ImportBase|abimport::ReadObserver|ABImport)(::|$)|^(import[A-Za-z]+|abimport::(libraryVersion|hostItemsDefinedTwice|keywordList|keywordWithCode|keywordWithTitle|addKeyword))(\[abi:cxx11\])?\('
if nm -D -C --defined-only "$lib" | cut -c20- | grep -vE "$public"; then
  fail "libabimport.so exports the symbols above, which no installed header declares"
fi
# What the library defines it uses itself: no dynamic relocation (a PLT slot,
# a GOT entry) names one of its own symbols, so a host's function or class of
# the same name cannot take their place.
if comm -12 <(nm -D --defined-only "$lib" | awk '{print $3}' | sort -u) \
            <(readelf -rW "$lib" | awk 'NF >= 5 && $5 !~ /^[0-9a-f]+$/ {sub(/@.*/, "", $5); print $5}' | sort -u) |
   c++filt | grep .; then
  fail "libabimport.so reaches the definitions above through interposable relocations"
fi

# Public headers only, and each one compiles on its own.
for internal in model/numbers/reading.h model/numbers/fieldfit.h model/linefields.h model/aligntext.h \
                keywords/cardtables.h keywords/abale.h host/textchecks.h; do
  [ ! -e "$prefix/include/abimport/$internal" ] || fail "internal header $internal is installed"
done
(cd "$prefix/include" && find abimport -name '*.h') | while read -r header; do
  echo "#include <$header>" | g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -x c++ \
    -I"$prefix/include" - || fail "$header does not compile on its own"
  # A language level or string ABI the library cannot share is refused by name.
  for refused in "-std=c++14:need C++17" "-D_GLIBCXX_USE_CXX11_ABI=0:need the C++11 std::string ABI"; do
    errors=$(echo "#include <$header>" | g++ -std=c++17 "${refused%%:*}" -fsyntax-only -x c++ \
      -I"$prefix/include" - 2>&1 || true)
    grep -q "#error \"abimport's headers ${refused#*:}" <<<"$errors" || fail "$header accepts ${refused%%:*}"
  done
done

# One version everywhere: project, tool, loaded library, CMake package, pkg-config.
version=$(sed -n 's/^project(abimport VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$prefix/bin/abimport" --version)" = "$(printf 'abimport %s\nlibrary %s' "$version" "$version")" ] ||
  fail "abimport --version does not report $version for tool and library"
[ "$(pkg-config --modversion abimport)" = "$version" ] || fail "abimport.pc is not version $version"
grep -q "set(PACKAGE_VERSION \"$version\")" "$prefix/lib/cmake/abimport/abimportConfigVersion.cmake" ||
  fail "the CMake package is not version $version"

# The example host, built both ways, writes the same values as the tool's
# write-back, apart from the comment lines: the tool names where each keyword
# came from and writes a header of field names once per run of cards, the
# example (printing each card's own text) once per card. The two write a
# number in different forms (the write-back's "1.0" is the card text's "1."),
# so each line is compared as its words, numbers by value.
values() { awk '{ for (i = 1; i <= NF; i++) printf "%s%s", (i > 1 ? " " : ""), \
  ($i ~ /^[-+]?[0-9.]+([eE][-+]?[0-9]+)?$/ ? sprintf("%.17g", $i) : $i); print "" }'; }
"$prefix/bin/abimport" "$deck" | grep -v '^\$' | values >"$work/expected.k"
cmake -S examples/host -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror"
cmake --build "$work/example"
# The pkg-config flags carry the language level the headers need: they win
# over an older one given first.
(cd examples/host &&
  g++ -std=c++14 -Wall -Wextra -Werror -O2 main.cpp -o "$work/host-example-pc" \
    $(pkg-config --cflags --libs abimport) -Wl,-rpath,"$(pkg-config --variable=libdir abimport)")
# A host with a class Object of its own, unrelated to the library's but with
# the same members: the library must keep running its own Object, and the
# host's output stays the same.
cat >"$work/clash.cpp" <<'EOF'
#include <cstdio>
#include <cstdlib>
#include <string>
class Object {
public:
    virtual void tostring(char* out);
    virtual void tostring(std::string& out);
    virtual ~Object();
};
static unsigned long hostObjectCalls;
void Object::tostring(char*) { ++hostObjectCalls; }
void Object::tostring(std::string& out) { ++hostObjectCalls; out += "host"; }
Object::~Object() { ++hostObjectCalls; }
static struct CallCheck {
    ~CallCheck() {
        if (hostObjectCalls == 0) return;
        std::fprintf(stderr, "the library ran the host's own Object %lu times\n", hostObjectCalls);
        std::_Exit(1);
    }
} callCheck;
EOF
g++ -O2 examples/host/main.cpp "$work/clash.cpp" -o "$work/host-example-clash" \
  $(pkg-config --cflags --libs abimport) -Wl,-rpath,"$(pkg-config --variable=libdir abimport)"
for example in "$work/example/host-example" "$work/host-example-pc" "$work/host-example-clash"; do
  "$example" "$deck" | grep -v '^\$' | values >"$work/out.k" || fail "$example failed on $deck"
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
    std::printf("%zu\n", dataLine.isOpen() ? abimport::importDeck(dataLine, registry, target) : 0);
}
EOF
g++ -std=c++17 "$work/standin.cpp" -o "$work/standin" $(pkg-config --cflags --libs abimport-host) \
  -Wl,-rpath,"$(pkg-config --variable=libdir abimport)"
[ "$("$work/standin" "$deck")" = "$(grep -c '^\*AIRBAG' "$work/expected.k")" ] ||
  fail "the stand-in host imports a different number of keywords"

# The guide shows the example's code verbatim.
sed -n '/^```cpp$/,/^```$/p' docs/host-guide.md | sed '1d;$d' | diff -u examples/host/main.cpp - ||
  fail "docs/host-guide.md does not show examples/host/main.cpp"
echo "check-install: OK (abimport $version; $deck written back the same by every build)"
