# The libraries the icnkit tool is built on, as imported targets:
#   icn::cli11  CLI11, the command line of icnkit (header-only)
#   icn::json   nlohmann-json, its JSON output (header-only)
#   icn::spng   libspng (with zlib), PNG frames and palettes
#   icn::gif    giflib, animated GIFs
# Native builds find Debian's packages (libcli11-dev, nlohmann-json3-dev,
# libspng-dev, libgif-dev); the Windows cross build points
# ICNKIT_DEPS_PREFIX at the static libraries it compiled from Debian's
# source packages (.ci/windows.sh).
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json CONFIG REQUIRED)
add_library(icn::cli11 ALIAS CLI11::CLI11)
add_library(icn::json ALIAS nlohmann_json::nlohmann_json)

find_package(PkgConfig REQUIRED)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
add_library(icn::spng ALIAS PkgConfig::SPNG)
find_package(GIF REQUIRED)
add_library(icn::gif ALIAS GIF::GIF)
