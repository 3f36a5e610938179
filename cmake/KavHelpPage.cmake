# cmake -DCMARK=PROGRAM -DIN=FILE.md -DTEMPLATE=FILE.in -DOUT=FILE.htm -P KavHelpPage.cmake
# Renders a Markdown guide into a page of the user guide. Without the renderer (cmark-gfm,
# installed by the set-up) the page shows the Markdown text as it is.
cmake_policy(VERSION 3.25) # the page's text is data: no variable references are evaluated in it
if(CMARK)
    execute_process(COMMAND ${CMARK} --extension table --extension autolink ${IN}
        OUTPUT_VARIABLE BODY RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${CMARK} failed on ${IN}")
    endif()
else()
    file(READ ${IN} text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    set(BODY "<pre>${text}</pre>")
endif()
file(READ ${TEMPLATE} page)
string(REPLACE "@BODY@" "${BODY}" page "${page}")
file(WRITE ${OUT}.tmp "${page}")
file(RENAME ${OUT}.tmp ${OUT})
