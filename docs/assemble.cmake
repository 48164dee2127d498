# Puts the manual's chapters (SOURCE/*.html, in the order of their names)
# together into one HTML file (OUTPUT), with the table of contents made
# from the chapter and section headings in place of <!--CONTENTS-->. A
# <figure class="if-made"> stays only when its picture is in PICTURES: a
# window that this build of the program does not have yet has no picture.
# @TESSALY_VERSION@ becomes the program's version (VERSION), so that the
# cover names the same version as the about box and tessaly-cross.
#   cmake -DSOURCE=... -DOUTPUT=... -DPICTURES=... -DVERSION=... -P assemble.cmake

file(GLOB chapters "${SOURCE}/*.html")
list(SORT chapters)
set(body "")
foreach(chapter IN LISTS chapters)
  file(READ "${chapter}" text)
  string(APPEND body "${text}\n")
endforeach()

string(REGEX MATCHALL "<figure class=\"if-made\">[^<]*<img src=\"pictures/[^\"]+\">" optional "${body}")
foreach(figure IN LISTS optional)
  string(REGEX REPLACE ".*pictures/([^\"]+)\".*" "\\1" picture "${figure}")
  if(NOT EXISTS "${PICTURES}/${picture}")
    string(REGEX REPLACE "<figure class=\"if-made\">[^<]*<img src=\"pictures/${picture}\">[^<]*<figcaption>[^<]*</figcaption>[^<]*</figure>" "" body "${body}")
  endif()
endforeach()

string(REGEX MATCHALL "<h[12] id=\"[^\"]+\">[^<]+</h[12]>" headings "${body}")
set(contents "<nav class=\"contents\">\n<p class=\"contents-title\">目次</p>\n<ul>\n")
foreach(heading IN LISTS headings)
  string(REGEX REPLACE "<h([12]) id=\"([^\"]+)\">([^<]+)</h[12]>" "\\1" level "${heading}")
  string(REGEX REPLACE "<h([12]) id=\"([^\"]+)\">([^<]+)</h[12]>" "\\2" id "${heading}")
  string(REGEX REPLACE "<h([12]) id=\"([^\"]+)\">([^<]+)</h[12]>" "\\3" title "${heading}")
  string(APPEND contents "<li class=\"level${level}\"><a href=\"#${id}\">${title}</a></li>\n")
endforeach()
string(APPEND contents "</ul>\n</nav>\n")
string(REPLACE "<!--CONTENTS-->" "${contents}" body "${body}")
string(REPLACE "@TESSALY_VERSION@" "${VERSION}" body "${body}")
file(WRITE "${OUTPUT}" "${body}")
