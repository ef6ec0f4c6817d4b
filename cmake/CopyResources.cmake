# Copies the game's data files into a runnable folder. The player's own client.cfg
# there is never overwritten: only a missing one is replaced by the shipped template.
# The desktop icons are not the client's data and stay out.
file(MAKE_DIRECTORY ${DST})
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f IN LISTS files)
    if(f STREQUAL "client.cfg" AND EXISTS ${DST}/client.cfg)
        continue()
    endif()
    if(f MATCHES "^icons/")
        continue()
    endif()
    get_filename_component(dir ${DST}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(COPY_FILE ${SRC}/${f} ${DST}/${f} ONLY_IF_DIFFERENT)
endforeach()
