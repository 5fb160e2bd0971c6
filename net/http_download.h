// One resource fetched with a plain HTTP/1.0 GET.
#pragma once

#include <cstdint>

// Sends "GET path HTTP/1.0" with the host, then takes everything after the
// first empty header line as the body until the server closes: into the
// file (created afresh; "mem://" names are refused) and/or into the buffer
// (bufferSize counts the terminating zero byte; the text is cut there and
// the download ends once the buffer is full when no file is written).
// There is no status check, no redirect and no chunked decoding. Port 0 is
// 80. connectTimeoutMs bounds the connect and, as well, every wait for the
// server's next bytes (outside 1 to 30000: 30000). 1 on success; 0 on a
// failure, with the download's error as the last socket error (a partial
// file stays).
int32_t HttpGetToFile(const char* host, const char* path, int32_t port, const char* fileName, char* buffer,
                      int32_t bufferSize, int32_t connectTimeoutMs);
