# Puts the manual's chapters (SOURCE/*.html, in the order of their names)
# together into one HTML file (OUTPUT), with the table of contents made
# from the chapter and section headings in place of <!--CONTENTS-->. A
# <figure class="if-made"> stays only when its picture is in PICTURES: a
# window that this build of the program does not have yet has no picture.
# @TESSALY_VERSION@ becomes the program's version (VERSION), so that the
# cover names the same version as the about box and tessaly-cross.
#
# The chapters carry no numbers: each <h1> is numbered in the order of the
# files ("4. "), each <h2> within its chapter ("4.1 "), and an <h1
# class="appendix"> is lettered instead ("付録 A　"); <h3> stays unnumbered.
# A reference <a class="ref" href="#id"></a> is filled in with what it
# points at: "4 章", "4.1 節" or "付録 A"; a reference to an <h3> names the
# section it stands in. So inserting or moving a chapter renumbers
# everything, and a reference to an id that no heading has stops the build
# rather than printing an empty reference.
#   cmake -DSOURCE=... -DOUTPUT=... -DPICTURES=... -DVERSION=... -P assemble.cmake

file(GLOB chapters "${SOURCE}/*.html")
list(SORT chapters)

# The numbers, from the headings of all chapters in order.
set(heading_form "<h([123]) id=\"([^\"]+)\"( class=\"appendix\")?>")
set(chapter 0)
set(appendix 0)
set(letters A B C D E F G H I J K L M N O P Q R S T U V W X Y Z)
foreach(path IN LISTS chapters)
  file(READ "${path}" text)
  get_filename_component(name "${path}" NAME)
  string(REGEX MATCHALL "<h[123][ >][^>]*>" tags "${text}")
  foreach(tag IN LISTS tags)
    if(NOT tag MATCHES "^${heading_form}$")
      message(FATAL_ERROR "${name}: a heading needs an id and nothing else (class=\"appendix\" on an <h1>): ${tag}")
    endif()
    set(level ${CMAKE_MATCH_1})
    set(id ${CMAKE_MATCH_2})
    set(is_appendix "${CMAKE_MATCH_3}")
    if(DEFINED label_${id})
      message(FATAL_ERROR "${name}: two headings have the id \"${id}\"")
    endif()
    if(is_appendix AND NOT level EQUAL 1)
      message(FATAL_ERROR "${name}: only a chapter (<h1>) can be an appendix: ${tag}")
    endif()
    if(level EQUAL 1)
      if(is_appendix)
        list(GET letters ${appendix} number)
        math(EXPR appendix "${appendix} + 1")
        set(prefix "付録 ${number}　")
        set(label_${id} "付録 ${number}")
      else()
        math(EXPR chapter "${chapter} + 1")
        set(number ${chapter})
        set(prefix "${number}. ")
        set(label_${id} "${number} 章")
      endif()
      set(section 0)
      set(around "${label_${id}}")
    elseif(level EQUAL 2)
      math(EXPR section "${section} + 1")
      set(prefix "${number}.${section} ")
      set(label_${id} "${number}.${section} 節")
      set(around "${label_${id}}")
    else()
      if(NOT DEFINED around)
        message(FATAL_ERROR "${name}: ${tag} stands before any chapter")
      endif()
      set(prefix "")
      set(label_${id} "${around}")
    endif()
    set(numbered_${id} "<h${level} id=\"${id}\">${prefix}")
    list(APPEND tags_${name} "${tag}")
    list(APPEND ids_${name} "${id}")
  endforeach()
endforeach()

# Each chapter with its headings numbered and its references filled in.
set(body "")
foreach(path IN LISTS chapters)
  file(READ "${path}" text)
  get_filename_component(name "${path}" NAME)
  foreach(tag id IN ZIP_LISTS tags_${name} ids_${name})
    string(REPLACE "${tag}" "${numbered_${id}}" text "${text}")
  endforeach()
  if(text MATCHES "<a href=\"#[^\"]*\">([0-9]|付録)")
    message(FATAL_ERROR "${name}: a number typed by hand does not follow the chapters; "
                        "write the reference as <a class=\"ref\" href=\"#id\"></a>")
  endif()
  string(REGEX MATCHALL "<a [^>]*class=\"ref\"[^>]*>[^<]*</a>" references "${text}")
  foreach(reference IN LISTS references)
    if(NOT reference MATCHES "^<a class=\"ref\" href=\"#([^\"]+)\"></a>$")
      message(FATAL_ERROR "${name}: a reference is written <a class=\"ref\" href=\"#id\"></a>, not ${reference}")
    endif()
    set(id ${CMAKE_MATCH_1})
    if(NOT DEFINED label_${id})
      message(FATAL_ERROR "${name}: unknown reference \"#${id}\": no chapter or section has that id")
    endif()
    string(REPLACE "${reference}" "<a href=\"#${id}\">${label_${id}}</a>" text "${text}")
  endforeach()
  if(text MATCHES "class=\"ref\"")
    message(FATAL_ERROR "${name}: a reference is written <a class=\"ref\" href=\"#id\"></a>")
  endif()
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
