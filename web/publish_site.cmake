# Publishes the site a server serves:
#   cmake -DSTAGE=<folder> -DRULE_BOOK=<tarnwick.js> -DSITE=<folder> -DSERVICE_WORKER=<sw.js.in>
#         -DCUES=<name,name,...> -DMAX_CUE_FILE_BYTES=<n> -P publish_site.cmake
# The rule book, the page's script and its styles take the first 16 hex digits
# of their SHA-256 into their names, and index.html names them so: a page
# never loads files of two versions, whichever copy answers. The service
# worker carries every kept file's SHA-256 and a version made of them all.
cmake_minimum_required(VERSION 3.21)

foreach(variable IN ITEMS STAGE RULE_BOOK SITE SERVICE_WORKER CUES MAX_CUE_FILE_BYTES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "publish_site.cmake: -D${variable}=... is missing")
    endif()
endforeach()
string(REPLACE "," ";" cues "${CUES}")
file(MAKE_DIRECTORY "${SITE}")

set(kept_files "")   # name=sha256 of each file the worker keeps, in order
set(published "")    # every name written, to clear out other versions' files

function(keep name)
    file(SHA256 "${SITE}/${name}" digest)
    set(kept_files "${kept_files};${name}=${digest}" PARENT_SCOPE)
    set(published "${published};${name}" PARENT_SCOPE)
endfunction()

# publish_hashed(<source> <stem> <extension> <out name>): <source> written
# as <stem>.<hash>.<extension>.
function(publish_hashed source stem extension out_name)
    file(SHA256 "${source}" digest)
    string(SUBSTRING "${digest}" 0 16 short)
    set(name "${stem}.${short}.${extension}")
    file(COPY_FILE "${source}" "${SITE}/${name}" ONLY_IF_DIFFERENT)
    set(kept_files "${kept_files};${name}=${digest}" PARENT_SCOPE)
    set(published "${published};${name}" PARENT_SCOPE)
    set(${out_name} "${name}" PARENT_SCOPE)
endfunction()

# replace_once(<text variable> <from> <to>): fails the build unless <from>
# is there, so that a renamed reference never leaves a stale name behind.
function(replace_once text_var from to)
    string(FIND "${${text_var}}" "${from}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "publish_site.cmake: ${from} not found")
    endif()
    string(REPLACE "${from}" "${to}" replaced "${${text_var}}")
    set(${text_var} "${replaced}" PARENT_SCOPE)
endfunction()

set(work "${SITE}/.publishing")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

get_filename_component(rule_book_dir "${RULE_BOOK}" DIRECTORY)
publish_hashed("${rule_book_dir}/tarnwick.wasm" tarnwick wasm wasm_name)
# Emscripten's runtime fetches the .wasm under the name it was linked with.
file(READ "${RULE_BOOK}" rule_book)
replace_once(rule_book "\"tarnwick.wasm\"" "\"${wasm_name}\"")
file(WRITE "${work}/tarnwick.js" "${rule_book}")
publish_hashed("${work}/tarnwick.js" tarnwick js rule_book_name)
publish_hashed("${STAGE}/page.js" page js page_name)
publish_hashed("${STAGE}/tarnwick.css" tarnwick css style_name)
publish_hashed("${STAGE}/layout.css" layout css layout_name)

file(READ "${STAGE}/index.html" page)
replace_once(page "\"page.js\"" "\"${page_name}\"")
replace_once(page "\"tarnwick.js\"" "\"${rule_book_name}\"")
replace_once(page "\"tarnwick.css\"" "\"${style_name}\"")
replace_once(page "\"layout.css\"" "\"${layout_name}\"")
file(WRITE "${work}/index.html" "${page}")
file(COPY_FILE "${work}/index.html" "${SITE}/index.html" ONLY_IF_DIFFERENT)
keep(index.html)

# Under their own names: what a host or the manifest names (pictures, icons)
# and what holds no code.
file(GLOB_RECURSE pictures RELATIVE "${STAGE}" "${STAGE}/*.png")
list(SORT pictures)
foreach(name IN LISTS pictures ITEMS tarnwick.webmanifest)
    get_filename_component(folder "${SITE}/${name}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(COPY_FILE "${STAGE}/${name}" "${SITE}/${name}" ONLY_IF_DIFFERENT)
    keep("${name}")
endforeach()

# The cues are the host's and the player's: kept apart, under fixed names,
# and not part of the version.
set(cue_files "")
foreach(cue IN LISTS cues)
    file(COPY_FILE "${STAGE}/${cue}.WAV" "${SITE}/${cue}.WAV" ONLY_IF_DIFFERENT)
    list(APPEND published "${cue}.WAV")
    list(APPEND cue_files "'${cue}.WAV'")
endforeach()

# The version: every kept file and the worker's own code.
list(REMOVE_ITEM kept_files "")
file(SHA256 "${SERVICE_WORKER}" worker_digest)
string(SHA256 version "${kept_files};${worker_digest}")
string(SUBSTRING "${version}" 0 16 TARNWICK_SITE_VERSION)
set(entries "")
foreach(entry IN LISTS kept_files)
    string(REPLACE "=" "', '" entry "${entry}")
    list(APPEND entries "    ['${entry}'],")
endforeach()
list(JOIN entries "\n" TARNWICK_SITE_FILES)
list(JOIN cue_files ", " TARNWICK_SW_CUE_FILES)
set(TARNWICK_MAX_CUE_FILE_BYTES "${MAX_CUE_FILE_BYTES}")
configure_file("${SERVICE_WORKER}" "${SITE}/sw.js" @ONLY)
list(APPEND published sw.js)

# Another version's hashed files, and the unhashed ones of older builds.
file(GLOB old RELATIVE "${SITE}" "${SITE}/*.js" "${SITE}/*.wasm" "${SITE}/*.css")
foreach(name IN LISTS old)
    if(NOT name IN_LIST published)
        file(REMOVE "${SITE}/${name}")
    endif()
endforeach()
file(REMOVE_RECURSE "${work}")
