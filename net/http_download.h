// One resource fetched with a plain HTTP/1.0 GET.
#pragma once

#include <cstdint>
#include <string>

// Sends "GET path HTTP/1.0" with the host, then takes everything after the
// first empty header line as the body until the server closes: into the
// file and/or onto the text (whose first textMaximum bytes are kept; when
// no file is written the download ends once they are in). There is no
// status check, no redirect and no chunked decoding. Port 0 is 80.
//
// connectTimeoutMs (outside 1 to 30000: 30000) bounds the connect and every
// wait for the server's next bytes, and ten times it bounds the whole
// download from the connect on, so that a server that trickles bytes cannot
// hold it forever; either limit fails it with 10060.
//
// The download fails, too, when the connection ends before the header did
// (10053) or is reset (10054). The body goes to a temporary file beside the
// target ("mem://" names are refused) which takes the target's place only
// on success: a failed download leaves an existing file as it was and
// creates none. 1 on success; 0 on a failure, with the download's error as
// the last socket error.
int32_t HttpGetToFile(const char* host, const char* path, int32_t port, const char* fileName, std::string* text,
                      int32_t textMaximum, int32_t connectTimeoutMs);
