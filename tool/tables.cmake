# Rows, tables with their metadata, and the table list.
target_sources(tarn PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/row.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/rowText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/table.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableFiles.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableMetaData.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tables.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableDiff.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/delimitedText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableExchange.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableCheck.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/problemText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/linkIndex.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableFind.cpp
)
