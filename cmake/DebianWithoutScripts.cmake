# Run by CPack after the packages are built (CPACK_POST_BUILD_SCRIPTS). CPack gives a package
# that holds a shared library under /usr/lib maintainer scripts that run ldconfig, and dpkg keeps
# a removed package with a postrm listed ("rc") until it is purged. Ours are private libraries
# found through run paths (and plugin modules), which ldconfig has no business with: the
# scripts are taken out, so that `apt remove` removes a package completely.
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${package}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND ${DPKG_DEB} --raw-extract "${package}" "${tree}"
                    COMMAND_ERROR_IS_FATAL ANY)
    set(changed FALSE)
    foreach(script postinst postrm)
        set(path "${tree}/DEBIAN/${script}")
        if(EXISTS "${path}")
            file(READ "${path}" text)
            # Only the scripts CPack wrote for ldconfig: anything else stays.
            string(REGEX REPLACE "[ \t\n]" "" bare "${text}")
            if(bare MATCHES
               "^#!/bin/shset-eif\\[\"\\$1\"=\"(configure|remove)\"\\];thenldconfigfi$")
                file(REMOVE "${path}")
                set(changed TRUE)
            endif()
        endif()
    endforeach()
    if(changed)
        execute_process(COMMAND ${DPKG_DEB} --root-owner-group --build "${tree}" "${package}"
                        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE_RECURSE "${tree}")
endforeach()
