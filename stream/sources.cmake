# Stream subsystem: the HTTP/ICY stream source (portable), over the socket seam in platform/.
list(APPEND ZAV_PORTABLE_SOURCES stream/stream_source.cpp)
