# xxHash, used header-only (XXH_INLINE_ALL) by the content hash of the copy.
# Debian's libxxhash-dev (scripts/bootstrap) installs the header for the
# host; its one file is copied into the build tree, so that a target can take
# it from there without seeing the rest of the host's /usr/include (which the
# mingw cross build must never do).
set(STICKWISE_XXHASH_HEADER /usr/include/xxhash.h CACHE FILEPATH "xxHash's header (Debian package libxxhash-dev)")

# sw_xxhash_include_dir(VAR): VAR is the folder of the copied header.
function(sw_xxhash_include_dir var)
  if(NOT EXISTS ${STICKWISE_XXHASH_HEADER})
    message(FATAL_ERROR "xxHash's header ${STICKWISE_XXHASH_HEADER} is missing: install libxxhash-dev "
                        "(scripts/bootstrap) or set STICKWISE_XXHASH_HEADER to its path.")
  endif()
  set(folder ${CMAKE_BINARY_DIR}/third_party/xxhash)
  configure_file(${STICKWISE_XXHASH_HEADER} ${folder}/xxhash.h COPYONLY)
  set(${var} ${folder} PARENT_SCOPE)
endfunction()
