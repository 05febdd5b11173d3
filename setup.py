"""Builds abimport._core: the import library, the stand-in host and the
folders above it compiled into one extension, so that the package
needs no installed libabimport. The version is the project's, from
CMakeLists.txt."""

import glob
import os
import re

import pybind11
from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup


def project_version():
    with open("CMakeLists.txt", encoding="utf-8") as cmake:
        found = re.search(r"project\(abimport VERSION (\d+\.\d+\.\d+)", cmake.read())
    if not found:
        raise RuntimeError("CMakeLists.txt names no project version")
    return found.group(1)


VERSION = project_version()

# Every folder the package stands on, as CMakeLists.txt builds them: the
# library, the stand-in host, the output formats, editing, comparing and the
# small-object heap (whose operator new the extension defines for itself,
# python/src/importheap.cpp), then the binding.
FOLDERS = ["model", "model/numbers", "frame", "keywords", "host", "output", "edit", "compare", "memory", "python/src"]
SOURCES = [path for folder in FOLDERS for path in sorted(glob.glob(folder + "/*.cpp"))]

# The extension exports PyInit__core only, which keeps its operator new and
# delete to itself (python/src/importheap.cpp).
EXPORTS = "python/src/module-exports.map"

# A changed header or export list rebuilds the extension too.
HEADERS = [path for folder in FOLDERS for path in sorted(glob.glob(folder + "/*.h"))] + [EXPORTS]

ParallelCompile("ABIMPORT_BUILD_JOBS").install()

# The extension's heap aligns blocks as CMakeLists.txt explains; the build
# promises no more than that.
NEW_ALIGNMENT = "-faligned-new=8"

# ABIMPORT_WERROR=1 makes warnings errors, as -DABIMPORT_WERROR=ON does for CMake.
# pybind11's headers are the system's: the warnings are about our code.
WARNINGS = ["-isystem", pybind11.get_include(), "-Wall", "-Wextra", "-Wshadow", "-Wconversion"]
if os.environ.get("ABIMPORT_WERROR") == "1":
    WARNINGS.append("-Werror")

setup(
    version=VERSION,
    package_dir={"": "python"},
    packages=["abimport"],
    package_data={"abimport": ["py.typed", "*.pyi"]},
    ext_modules=[
        Pybind11Extension(
            "abimport._core",
            SOURCES,
            depends=HEADERS,
            cxx_std=17,
            define_macros=[("ABIMPORT_VERSION_STRING", '"%s"' % VERSION)],
            extra_compile_args=["-O3", NEW_ALIGNMENT] + WARNINGS,
            extra_link_args=["-Wl,--version-script=" + EXPORTS],
            # The expressions of *PARAMETER_EXPRESSION (Debian's libmuparser-dev).
            libraries=["muparser"],
        ),
    ],
    cmdclass={"build_ext": build_ext},
    # Beside CMake's build folder, not in it; a build of its own per compiler.
    options={"build": {"build_base": os.environ.get("ABIMPORT_PYTHON_BUILD", "build/python-build")}},
)
