# cmake -DGZIP=gzip -DIN=file -DOUT=file.gz -P gzip.cmake
# Best compression, and no name or time stamp inside, so the output depends
# on the input alone.
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
execute_process(COMMAND ${GZIP} -9nc ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "gzip ${IN}: ${status}")
endif()
