# Field types, cells, the text a cell accepts, and the data file serializer.
target_sources(tarn PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/cell.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cellValue.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cellText.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tableSerializer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/rowReader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/rowWriter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/textScan.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/jsonText.cpp
)
