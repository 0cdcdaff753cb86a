# The Windows resources of Lorvex.exe: manifest, icon and version information; and the
# "images" folder of icons, the help, the SQLite library and the empty notes database that ship
# beside it.
#
#   include(LorvexResources)          (at directory scope, with cmake/ on CMAKE_MODULE_PATH)
#   lorvex_add_resources(<target>)
#   lorvex_add_images(<target>)
#   lorvex_add_help(<target>)
#   lorvex_add_sqlite_files(<target>)
#
# The icon and the glyphs of the main window's buttons are drawn at build time by
# scripts/make_icon.py; version.rc is configured from
# resources/version.rc.in with the project's version. Both land in the build tree, in a
# folder of the target's own, and resources/Lorvex.rc compiled with windres brings them
# together with the manifest.

if(WIN32)
  enable_language(RC)  # windres, named by the toolchain file
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(LORVEX_RESOURCES_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources")
set(LORVEX_MAKE_ICON "${CMAKE_CURRENT_LIST_DIR}/../scripts/make_icon.py")
cmake_path(NORMAL_PATH LORVEX_RESOURCES_DIR)
cmake_path(NORMAL_PATH LORVEX_MAKE_ICON)

# The file version has four numbers; parts the project leaves out are 0. LORVEX_FILE_VERSION is
# the dotted form ("0.1.0.0").
set(LORVEX_FILE_VERSION "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(LORVEX_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(LORVEX_VERSION_${part} STREQUAL "")
    set(LORVEX_VERSION_${part} 0)
  endif()
  list(APPEND LORVEX_FILE_VERSION ${LORVEX_VERSION_${part}})
endforeach()
list(JOIN LORVEX_FILE_VERSION "." LORVEX_FILE_VERSION)

function(lorvex_add_resources target)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
  file(MAKE_DIRECTORY "${out}")

  add_custom_command(
    OUTPUT "${out}/Lorvex.ico"
    COMMAND "${Python3_EXECUTABLE}" "${LORVEX_MAKE_ICON}" "${out}/Lorvex.ico"
    DEPENDS "${LORVEX_MAKE_ICON}"
    COMMENT "Drawing the Lorvex icon"
    VERBATIM)
  # The pictures of the main window's flat buttons.
  set(glyphs "")
  foreach(glyph run lastused)
    add_custom_command(
      OUTPUT "${out}/${glyph}.ico"
      COMMAND "${Python3_EXECUTABLE}" "${LORVEX_MAKE_ICON}" --glyph ${glyph} "${out}/${glyph}.ico"
      DEPENDS "${LORVEX_MAKE_ICON}"
      COMMENT "Drawing the ${glyph} glyph"
      VERBATIM)
    list(APPEND glyphs "${out}/${glyph}.ico")
  endforeach()

  configure_file("${LORVEX_RESOURCES_DIR}/version.rc.in" "${out}/version.rc" @ONLY)

  # A copy of Lorvex.rc per target, beside its icon and version.rc. windres looks for the
  # files of ICON and RT_MANIFEST statements in its include folders.
  set(rc "${out}/Lorvex.rc")
  configure_file("${LORVEX_RESOURCES_DIR}/Lorvex.rc" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}")
  set_source_files_properties("${rc}" PROPERTIES
    INCLUDE_DIRECTORIES "${out};${LORVEX_RESOURCES_DIR}"
    OBJECT_DEPENDS "${out}/Lorvex.ico;${glyphs};${out}/version.rc;${LORVEX_RESOURCES_DIR}/Lorvex.manifest")
endfunction()

# The icons the program loads from the "images" folder beside it (the error rows', and those
# the sources name), drawn by scripts/make_icon.py into the folder of the calling directory's
# binaries, where <target>'s program is.
set(LORVEX_IMAGES error search restart capture capture2 notes clipboard database)

function(lorvex_add_images target)
  set(folder "${CMAKE_CURRENT_BINARY_DIR}/images")
  list(TRANSFORM LORVEX_IMAGES REPLACE "(.+)" "${folder}/\\1.ico" OUTPUT_VARIABLE icons)
  add_custom_command(
    OUTPUT ${icons}
    COMMAND "${Python3_EXECUTABLE}" "${LORVEX_MAKE_ICON}" --images "${folder}"
    DEPENDS "${LORVEX_MAKE_ICON}"
    COMMENT "Drawing the icons of the images folder"
    VERBATIM)
  add_custom_target(${target}_images DEPENDS ${icons})
  add_dependencies(${target} ${target}_images)
endfunction()

# The help that F1 opens, "Lorvex.chm", compiled from the pages of resources/help by chmcmd (the
# HTML Help compiler of Free Pascal's utilities) once per build tree, then copied into the folder
# of the calling directory's binaries, where <target>'s program is. Two chmcmd runs at once fail
# on the pages the other one holds open, so there is one compiling target for every program.
# chmcmd reads the pages beside its project and writes the file into its current folder; it
# answers 0 even when it found no project, so the copy from there is what fails then.
file(GLOB LORVEX_HELP_SOURCES CONFIGURE_DEPENDS "${LORVEX_RESOURCES_DIR}/help/*")

function(lorvex_add_help target)
  set(compiled "${CMAKE_BINARY_DIR}/help/Lorvex.chm")
  if(NOT TARGET lorvex_help)
    find_program(LORVEX_CHMCMD chmcmd REQUIRED)
    set(work "${CMAKE_BINARY_DIR}/help/work")
    file(MAKE_DIRECTORY "${work}")
    add_custom_command(
      OUTPUT "${compiled}"
      COMMAND "${CMAKE_COMMAND}" -E rm -f "${work}/Lorvex.chm"
      COMMAND "${LORVEX_CHMCMD}" --verbosity 0 "${LORVEX_RESOURCES_DIR}/help/Lorvex.hhp"
      COMMAND "${CMAKE_COMMAND}" -E copy "${work}/Lorvex.chm" "${compiled}"
      WORKING_DIRECTORY "${work}"
      DEPENDS ${LORVEX_HELP_SOURCES}
      COMMENT "Compiling the help"
      VERBATIM)
    add_custom_target(lorvex_help DEPENDS "${compiled}")
  endif()
  set(help "${CMAKE_CURRENT_BINARY_DIR}/Lorvex.chm")
  add_custom_command(
    OUTPUT "${help}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${compiled}" "${help}"
    DEPENDS lorvex_help "${compiled}"
    VERBATIM)
  add_custom_target(${target}_help DEPENDS "${help}")
  add_dependencies(${target} ${target}_help)
endfunction()

# The SQLite library the notes and the Firefox bookmarks load at run time, and an empty
# "notes.sqlite" beside <target>'s program. The notes' table is made by the sqlite3 command-line
# tool as the notes source itself makes it where a settings folder has none: its text is read
# from the source, so that the two never differ.
set(LORVEX_NOTES_SOURCE "${CMAKE_CURRENT_LIST_DIR}/../sources/SearchNotes.cpp")
cmake_path(NORMAL_PATH LORVEX_NOTES_SOURCE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${LORVEX_NOTES_SOURCE}")
file(READ "${LORVEX_NOTES_SOURCE}" _notes_source)
string(REGEX MATCH "NotesSchema =[ \t\r\n]*\"([^\"]*)\"" _notes_schema "${_notes_source}")
set(LORVEX_NOTES_SCHEMA "${CMAKE_MATCH_1}")
if(NOT LORVEX_NOTES_SCHEMA MATCHES "^create table")
  message(FATAL_ERROR "The table of the notes was not found in ${LORVEX_NOTES_SOURCE}")
endif()

function(lorvex_add_sqlite_files target)
  find_program(LORVEX_SQLITE3 sqlite3 REQUIRED)
  set(library "${CMAKE_CURRENT_BINARY_DIR}/sqlite3.dll")
  set(database "${CMAKE_CURRENT_BINARY_DIR}/notes.sqlite")
  add_custom_command(
    OUTPUT "${library}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${LORVEX_SQLITE_DLL}" "${library}"
    DEPENDS "${LORVEX_SQLITE_DLL}"
    VERBATIM)
  add_custom_command(
    OUTPUT "${database}"
    COMMAND "${CMAKE_COMMAND}" -E rm -f "${database}"
    COMMAND "${LORVEX_SQLITE3}" "${database}" "${LORVEX_NOTES_SCHEMA}"
    DEPENDS "${LORVEX_NOTES_SOURCE}"
    COMMENT "Making the empty notes database"
    VERBATIM)
  add_custom_target(${target}_sqlite DEPENDS "${library}" "${database}")
  add_dependencies(${target} ${target}_sqlite)
endfunction()
