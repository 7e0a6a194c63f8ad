# Builds the Debian package of a release build afresh and unpacks it into
# WORK/root, for the package.* checks; what an earlier run left (a package, a
# report) goes first.
#
#   cmake -DBUILD=<release build> -DDEB=<package file> -DWORK=<folder> -P MakeDeb.cmake
get_filename_component(package_dir "${DEB}" DIRECTORY)
file(REMOVE_RECURSE "${WORK}" "${package_dir}")
execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" --config "${BUILD}/CPackConfig.cmake" -B "${package_dir}"
    COMMAND_ERROR_IS_FATAL ANY)
if(NOT EXISTS "${DEB}")
    message(FATAL_ERROR "CPack built no ${DEB}")
endif()
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND dpkg-deb -x "${DEB}" "${WORK}/root" COMMAND_ERROR_IS_FATAL ANY)
