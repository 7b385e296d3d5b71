# How the project's own targets are compiled, and how the parts beside the
# program (tests, content tools, benchmarks, fuzz targets) decide whether
# they are built.

# Warnings on, as errors with VELMORA_WERROR; with VELMORA_SANITIZE, the
# address and undefined-behaviour sanitizers. For our own targets only: code
# built from others' sources (GoogleTest in the Windows tests) keeps its own.
function(velmora_target_conventions target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(VELMORA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(VELMORA_SANITIZE)
        target_compile_options(${target} PRIVATE
            -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
        # Whatever links a sanitized library needs the sanitizers' runtime too.
        target_link_options(${target} PUBLIC -fsanitize=address,undefined)
    endif()
endfunction()

# The option of a part beside the program. AUTO builds the part when what it
# needs is there and otherwise leaves it out with one line saying why; ON asks
# for it, so that anything missing stops the configure (the project's
# commands ask for what they build); OFF leaves it out.
function(velmora_part_option name default description)
    set(${name} ${default} CACHE STRING "${description}: AUTO, ON or OFF")
    set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
endfunction()

# Sets RESULT to ON when the part of OPTION is built, else OFF. WHAT names the
# part in messages ("Tests"), NEEDS is its verb ("they need"), and the
# remaining arguments are what it needs and is not there.
function(velmora_decide_part result option what needs)
    set(missing ${ARGN})
    set(value "${${option}}")
    string(TOUPPER "${value}" mode)
    if(NOT mode STREQUAL "AUTO")
        if(value)
            set(mode ON)
        else()
            set(mode OFF)
        endif()
    endif()

    if(mode STREQUAL "OFF")
        set(${result} OFF PARENT_SCOPE)
        return()
    endif()
    if(NOT missing)
        set(${result} ON PARENT_SCOPE)
        return()
    endif()

    # "a", "a and b", "a, b and c"
    list(POP_BACK missing last)
    if(missing)
        list(JOIN missing ", " reasons)
        string(APPEND reasons " and ${last}")
    else()
        set(reasons "${last}")
    endif()
    if(mode STREQUAL "AUTO")
        message(STATUS "${what} left out: ${needs} ${reasons}")
        set(${result} OFF PARENT_SCOPE)
    else()
        message(FATAL_ERROR "${what} asked for (${option}=${value}), but ${needs} ${reasons}: "
            "install what is missing, or configure with -D${option}=AUTO or OFF")
    endif()
endfunction()
