# Merges resource documents into one language file: run as
#   cmake -DOUT=English.kvc "-DINPUTS=a.xml;b.xml;c.xml" -P KavLanguageFile.cmake
# The entries keep their order, so a later document's text of a key wins, as when the
# documents are loaded one after the other.
set(entries "")
foreach(input IN LISTS INPUTS)
    file(READ "${input}" text)
    string(FIND "${text}" "<Resources" open)
    string(FIND "${text}" ">" openEnd)
    string(FIND "${text}" "</Resources>" close REVERSE)
    if(open LESS 0 OR close LESS 0)
        message(FATAL_ERROR "${input}: not a resource document")
    endif()
    # The end of the root's start tag: the first ">" after "<Resources".
    string(SUBSTRING "${text}" ${open} -1 rest)
    string(FIND "${rest}" ">" openEnd)
    math(EXPR from "${open} + ${openEnd} + 1")
    math(EXPR length "${close} - ${from}")
    string(SUBSTRING "${text}" ${from} ${length} body)
    string(APPEND entries "${body}")
endforeach()
file(WRITE "${OUT}.tmp"
    "<?xml version=\"1.1\" encoding=\"utf-8\"?>\n<Resources CodePage=\"1252\">${entries}</Resources>\n")
file(RENAME "${OUT}.tmp" "${OUT}")
