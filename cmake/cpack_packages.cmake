# Read by cpack: the Debian package depends on the packages the program
# loads (runtime-packages.txt, made when the program was linked).
if(NOT EXISTS "${CPACK_RUVEL_PACKAGE_LIST}")
  message(FATAL_ERROR "${CPACK_RUVEL_PACKAGE_LIST} is missing: build the program first")
endif()
file(STRINGS "${CPACK_RUVEL_PACKAGE_LIST}" ruvel_packages REGEX "^[^#]")
list(JOIN ruvel_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
