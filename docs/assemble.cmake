# Puts the manual's chapters (SOURCE/*.html, in the order of their names)
# together into one HTML file (OUTPUT), with the table of contents made
# from the chapter and section headings in place of <!--CONTENTS-->.
#   cmake -DSOURCE=... -DOUTPUT=... -P assemble.cmake

file(GLOB chapters "${SOURCE}/*.html")
list(SORT chapters)
set(body "")
foreach(chapter IN LISTS chapters)
  file(READ "${chapter}" text)
  string(APPEND body "${text}\n")
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
file(WRITE "${OUTPUT}" "${body}")
