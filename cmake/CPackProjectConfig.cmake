# Read by cpack once per generator (CPACK_GENERATOR is the current one).
if(CPACK_GENERATOR STREQUAL "DEB")
  # dpkg-shlibdeps missing makes CPackDeb write no dependency at all, silently.
  if(NOT CPACK_ICNKIT_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "The .deb needs dpkg-shlibdeps for its dependencies "
                        "(Debian: apt-get install dpkg-dev), then configure again")
  endif()
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
