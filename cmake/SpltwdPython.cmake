# Whether the Python package (python/) is built: SPLTWD_PYTHON, by default
# where pybind11 and Python's headers are found, and always under CI
# (CI=true), so that a CI machine without them fails to configure rather
# than leave the Python tests out.
#
# The package is for the system's python3, whose Debian packages (pytest,
# dask) its tests use: a python3 first on PATH (pyenv, a virtualenv) sees
# none of them, so another interpreter is chosen only by naming it with
# -DPython3_EXECUTABLE=...
#
# Sanitized and fuzz builds leave the package and its tests out: an
# extension built with AddressSanitizer or ThreadSanitizer loads only into
# a process whose sanitizer runtime came first, and the system's python3 is
# not such a process.  The library the module wraps is tested under the
# sanitizers by the C++ tests.
if(SPLTWD_SANITIZE OR SPLTWD_TSAN OR SPLTWD_FUZZ)
  set(python_default OFF)
else()
  if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3)
  endif()
  find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
  if(Python3_FOUND)
    find_package(pybind11 2.6 CONFIG QUIET)
  endif()
  if(pybind11_FOUND OR "$ENV{CI}" STREQUAL "true")
    set(python_default ON)
  else()
    set(python_default OFF)
  endif()
endif()
option(SPLTWD_PYTHON "Build the Python package spltwd (needs pybind11 and Python's headers)" ${python_default})
if(SPLTWD_PYTHON AND (SPLTWD_SANITIZE OR SPLTWD_TSAN OR SPLTWD_FUZZ))
  message(FATAL_ERROR "SPLTWD_PYTHON is for builds without sanitizers: python3 cannot load an instrumented "
                      "extension.  Configure with -DSPLTWD_PYTHON=OFF.")
endif()
