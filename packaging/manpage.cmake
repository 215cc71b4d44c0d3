# Writes a manual page from a program's own help, so the page never drifts
# from the program.  For corvane-cli it adds each command's help.
#   cmake -DPROGRAM=path -DNAME=corvane-cli -DVERSION=0.3.0 -DOUTPUT=file.1 -P manpage.cmake
function(roff_escape text out)
  string(REPLACE "\\" "\\e" text "${text}")
  # A line that starts with a dot or an apostrophe would be read as a request.
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(help_of args out)
  execute_process(COMMAND ${PROGRAM} ${args}
                  OUTPUT_VARIABLE text ERROR_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${args} failed (${status}): ${text}")
  endif()
  roff_escape("${text}" text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# CMake takes SOURCE_DATE_EPOCH when it is set, so packages rebuild alike.
string(TIMESTAMP today "%Y-%m-%d" UTC)
string(TOUPPER "${NAME}" title)
help_of("--help" main)

if(NAME STREQUAL "corvane-cli")
  set(summary "estimate and evaluate the parameters of nonlinear models without a display")
  set(synopsis "\\fBcorvane-cli\\fR \\fIcommand\\fR [\\fIoptions\\fR]\n.br\n\\fBcorvane-cli\\fR \\fIcommand\\fR \\fB--help\\fR\n.br\n\\fBcorvane-cli --version\\fR")
else()
  set(summary "desktop workbench for estimating the parameters of nonlinear models")
  set(synopsis "\\fBcorvane\\fR [\\fB--threads\\fR \\fIN\\fR] [\\fIFILE\\fR]\n.br\n\\fBcorvane --version\\fR")
endif()

set(page ".TH ${title} 1 \"${today}\" \"corvane ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${summary}\n")
string(APPEND page ".SH SYNOPSIS\n${synopsis}\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${main}.fi\n")

if(NAME STREQUAL "corvane-cli")
  # The command names are the indented words under "Commands:".
  execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE raw)
  string(REGEX MATCH "Commands:\n(.*)\n\n" block "${raw}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "\n${CMAKE_MATCH_1}")
  string(APPEND page ".SH COMMANDS\n")
  foreach(entry ${names})
    string(STRIP "${entry}" command)
    help_of("help;${command}" text)
    string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
  endforeach()
endif()

string(APPEND page ".SH EXIT STATUS\n0 success, 1 the computation failed or was stopped short, 2 bad input.\n")
string(APPEND page ".SH SEE ALSO\n")
if(NAME STREQUAL "corvane-cli")
  string(APPEND page "\\fBcorvane\\fR(1)\n")
else()
  string(APPEND page "\\fBcorvane-cli\\fR(1)\n")
endif()
string(APPEND page "The user guide, /usr/share/doc/corvane/guide.md.\n")
file(WRITE "${OUTPUT}" "${page}")
