# Renders a man page as the HTML manual the panel's Help menu opens: groff's terminal rendering
# (groff-base is on every Debian system; its HTML device is not), escaped and kept as
# preformatted text so that the columns of the options stay aligned.
#
#   cmake -DGROFF=… -DPAGE=bremix2.1 -DOUTPUT=manual.html -DTITLE=… -P ManualHtml.cmake
foreach(var GROFF PAGE OUTPUT TITLE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "ManualHtml.cmake needs -D${var}=")
    endif()
endforeach()

# -k: the page is UTF-8 (it quotes the panel's Japanese captions); -P-cbou: plain characters,
# without the overstriking or colour sequences of a terminal.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env GROFF_NO_SGR=1
            ${GROFF} -k -man -Tutf8 -P-cbou -rLL=96n ${PAGE}
    OUTPUT_VARIABLE text
    ERROR_VARIABLE errors
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "groff could not render ${PAGE}: ${errors}")
endif()

string(REPLACE "&" "&amp;" text "${text}")
string(REPLACE "<" "&lt;" text "${text}")
string(REPLACE ">" "&gt;" text "${text}")
# The section headings (a line of capitals at the left margin) stand out.
string(REGEX REPLACE "\n([A-Z][A-Z ]+)\n" "\n<b>\\1</b>\n" text "${text}")
string(REGEX REPLACE "\n\n\n+" "\n\n" text "${text}")

file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>${TITLE}</title>
<style>
body { margin: 1em 2em; }
pre { font-size: 100%; }
</style>
</head>
<body>
<pre>${text}</pre>
</body>
</html>
")
