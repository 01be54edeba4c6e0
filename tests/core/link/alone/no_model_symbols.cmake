# Fails when an object of the link or the protocol needs a symbol that only
# the model defines: those layers must link without it.
#   cmake -DNM=nm -DLOWER="a.o;b.o" -DMODEL="c.o;d.o" -P no_model_symbols.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${NM} --undefined-only --format=just-symbols ${LOWER}
                OUTPUT_VARIABLE undefined COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${NM} --defined-only --extern-only ${MODEL}
                OUTPUT_VARIABLE defined COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" undefined "${undefined}")
string(REPLACE "\n" ";" defined "${defined}")
list(FILTER undefined EXCLUDE REGEX "^$|:$")
# Only what the model alone defines: not the inline and template code (weak)
# that every object carries a copy of.
list(FILTER defined INCLUDE REGEX "^[0-9a-f]+ [BDGRST] ")
list(TRANSFORM defined REPLACE "^[0-9a-f]+ [A-Z] " "")
list(REMOVE_DUPLICATES undefined)
set(from_model)
foreach(symbol IN LISTS undefined)
    if(symbol IN_LIST defined)
        list(APPEND from_model ${symbol})
    endif()
endforeach()
list(LENGTH undefined count)
list(LENGTH defined modelCount)
if(modelCount EQUAL 0)
    message(FATAL_ERROR "no symbol of the model was found: the check would pass on anything")
endif()
if(from_model)
    list(JOIN from_model "\n  " shown)
    message(FATAL_ERROR "the link or the protocol uses the model's symbols:\n  ${shown}")
endif()
message(STATUS "${count} symbols the link and the protocol need, none of the model's ${modelCount}")
