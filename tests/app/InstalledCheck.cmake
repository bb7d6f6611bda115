# Installs the build into a temporary DESTDIR under an unusual prefix, runs the installed
# "tallyvane --check --json" from there and checks that it found its font and sounds under
# that prefix (not in the build tree), and that the desktop entry and the AppStream metadata
# pass their validators.
set(prefix /opt/tallyvane-test)
string(RANDOM LENGTH 8 tag)
set(destdir ${WORK}/installed-${tag})
set(root ${destdir}${prefix})
file(REMOVE_RECURSE ${destdir})

function(fail message)
    file(REMOVE_RECURSE ${destdir})
    message(FATAL_ERROR "${message}")
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${destdir}
        ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
    OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    fail("cmake --install failed: ${err}")
endif()

foreach(file bin/tallyvane share/applications/tallyvane.desktop
        share/icons/hicolor/scalable/apps/tallyvane.svg
        share/metainfo/app.tallyvane.tallyvane.metainfo.xml
        share/tallyvane/sounds/Select.wav share/tallyvane/sounds/Switch.wav
        share/doc/tallyvane/copyright share/man/man1/tallyvane.1.gz
        share/gnome-shell/extensions/tallyvane@app.tallyvane/extension.js
        share/gnome-shell/extensions/tallyvane@app.tallyvane/metadata.json)
    if(NOT EXISTS ${root}/${file})
        fail("${file} was not installed")
    endif()
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    set(png ${root}/share/icons/hicolor/${size}x${size}/apps/tallyvane.png)
    file(READ ${png} header LIMIT 24 HEX)
    # PNG signature, then the IHDR width and height as 32-bit big-endian numbers.
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR w "0x${width}")
    math(EXPR h "0x${height}")
    if(NOT header MATCHES "^89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
        fail("the ${size} px icon is not a ${size}x${size} PNG (${w}x${h})")
    endif()
endforeach()

# The manual page reads without a complaint from the formatter, and names every option the
# program's own help does.
execute_process(COMMAND gzip -dc ${root}/share/man/man1/tallyvane.1.gz
    COMMAND groff -man -Tutf8 -P-cbou -ww -rLL=100n
    OUTPUT_VARIABLE page ERROR_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT out STREQUAL "")
    fail("the manual page does not format cleanly: ${out}")
endif()
execute_process(COMMAND ${root}/bin/tallyvane --help OUTPUT_VARIABLE help RESULT_VARIABLE code)
string(REGEX MATCHALL "(^|[ ,])-[-a-z]+" options "${help}")
foreach(option IN LISTS options)
    string(REGEX REPLACE "^[ ,]" "" option "${option}")
    string(FIND "${page}" "${option}" at)
    if(at EQUAL -1)
        fail("the manual page does not describe ${option}")
    endif()
endforeach()

execute_process(COMMAND desktop-file-validate ${root}/share/applications/tallyvane.desktop
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT out STREQUAL "")
    fail("desktop-file-validate: ${out}")
endif()
execute_process(COMMAND appstreamcli validate --no-net
        ${root}/share/metainfo/app.tallyvane.tallyvane.metainfo.xml
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    fail("appstreamcli validate: ${out}")
endif()

# Run from a folder outside both trees, so nothing is found by accident.
execute_process(COMMAND ${root}/bin/tallyvane --check --json
    WORKING_DIRECTORY ${destdir}
    OUTPUT_VARIABLE out RESULT_VARIABLE code TIMEOUT 30)
if(NOT code EQUAL 0)
    fail("the installed tallyvane --check exited with ${code}")
endif()
string(JSON sounds GET "${out}" soundFolder)
if(NOT sounds STREQUAL "${root}/share/tallyvane/sounds")
    fail("sounds found in '${sounds}', not under the installed prefix")
endif()
file(GLOB built_fonts ${BUILD}/fonts/*.ttf)
string(JSON fonts GET "${out}" fontFolder)
if(built_fonts AND NOT fonts STREQUAL "${root}/share/tallyvane/fonts")
    fail("the panel font found in '${fonts}', not under the installed prefix")
endif()
if(NOT built_fonts)
    message(WARNING "the build tree has no font (scripts/setup fetches it); not checked")
endif()
message(STATUS "installed under ${prefix}: sounds ${sounds}, font ${fonts}")
file(REMOVE_RECURSE ${destdir})
