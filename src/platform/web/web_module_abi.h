// The C interface between the web loader and the WebEngine module. Hosts
// are QWidget pointers handed over as void*; strings are UTF-8.
#pragma once

#define KESTREL_WEB_ABI_VERSION 1

extern "C" {

struct KestrelWebApi {
    int version;
    int (*create)(void* host, const char* address);
    void (*navigate)(void* host, const char* address);
    void (*back)(void* host);
    void (*forward)(void* host);
    void (*stop)(void* host);
    void (*reload)(void* host);
    // Writes the current address into buffer (NUL-terminated, cut to size);
    // returns its full length.
    int (*address)(void* host, char* buffer, int size);
    int (*loading)(void* host);
};

// The one symbol the module exports.
const KestrelWebApi* kestrel_web_api(void);
}
