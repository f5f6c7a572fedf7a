# The system libraries the engine and host libraries link, found through pkg-config. Each
# call finds the modules as an imported target PkgConfig::<prefix> and records them, so
# the installed CMake package and the pkg-config file name the same libraries: a new
# dependency of engine/ or host/ goes through orvik_pkg_dependency, never straight to
# pkg_check_modules.
function(orvik_pkg_dependency prefix)
  pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${ARGN})
  set_property(GLOBAL APPEND PROPERTY ORVIK_PKG_PREFIXES ${prefix})
  set_property(GLOBAL PROPERTY ORVIK_PKG_MODULES_${prefix} ${ARGN})
endfunction()
