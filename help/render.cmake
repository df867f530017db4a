cmake_minimum_required(VERSION 3.25)
# cmake -DCMARK=... -DINPUT=x.md -DTEMPLATE=page.html.in -DOUTPUT=x.htm -DTITLE=... -P render.cmake
# Converts one Markdown page (tables, raw HTML for anchors) and wraps it in
# the page template. Written to a temporary name first, so a failed run
# leaves no half page behind.
execute_process(COMMAND ${CMARK} --unsafe -e table -e autolink --to html ${INPUT}
                OUTPUT_VARIABLE body RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmark-gfm failed on ${INPUT}: ${err}")
endif()
file(READ ${TEMPLATE} page)
string(REPLACE "@TITLE@" "${TITLE}" page "${page}")
string(REPLACE "@BODY@" "${body}" page "${page}")
file(WRITE ${OUTPUT}.part "${page}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
