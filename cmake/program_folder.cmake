# Lays out DB/, DB/Ref/, Result/, exe/ and exe/babel/ in DEST and copies the shipped data.
# Result/ is never emptied: it holds the user's current result set between runs.
file(MAKE_DIRECTORY ${DEST}/DB/Ref ${DEST}/Result ${DEST}/exe/babel)
if(EXISTS ${SRC})
  file(COPY ${SRC}/ DESTINATION ${DEST}/DB)
endif()
# The user guide and its pictures, which the help menu opens.
if(DEFINED DOCS AND EXISTS ${DOCS})
  file(COPY ${DOCS}/ DESTINATION ${DEST}/docs)
endif()
