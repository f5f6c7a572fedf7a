#include "engine/platform/base/text.h"

#include "engine/platform/base/charset.h"

namespace orvik {

namespace {

// Bytes taken by the character at p: 2 for a lead byte with its trail, else 1 (also for
// a lead byte whose trail would be the terminator).
int CharBytes(const char* p) {
    return (IsLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0') ? 2 : 1;
}

}  // namespace

void TxtCopy(char* destination, const char* source) {
    if (!destination || !source) return;
    while ((*destination++ = *source++) != '\0') {
    }
}

void TxtCopyN(char* destination, const char* source, int n) {
    if (!destination) return;
    int i = 0;
    if (source) {
        for (; i < n && source[i] != '\0'; ++i) destination[i] = source[i];
    }
    destination[i] = '\0';
}

char* TxtFindChar(const char* text, int byte) {
    if (!text) return nullptr;
    for (const char* p = text; *p != '\0'; p += CharBytes(p)) {
        if (CharBytes(p) == 1 && static_cast<unsigned char>(*p) == static_cast<unsigned char>(byte)) {
            return const_cast<char*>(p);
        }
    }
    return nullptr;
}

int TxtCompare(const char* a, const char* b) {
    if (!a || !b) return a == b ? 0 : 1;
    for (; *a == *b; ++a, ++b) {
        if (*a == '\0') return 0;
    }
    return 1;
}

int TxtCompareN(const char* a, const char* b, int n) {
    if (n < 0) return 1;
    if (n == 0) return 0;
    if (!a || !b) return a == b ? 0 : 1;
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) return 1;
        if (a[i] == '\0') return 0;
    }
    return 0;
}

char* TxtToUpper(char* text) {
    if (!text) return nullptr;
    char* p = text;
    while (*p != '\0') {
        const int bytes = CharBytes(p);
        if (bytes == 1 && *p >= 'a' && *p <= 'z') *p = char(*p - 'a' + 'A');
        p += bytes;
    }
    return p;
}

int CountMultiByteChars(const char* text, int n) {
    if (!text) return 0;
    int count = 0;
    for (int i = 0; i < n && text[i] != '\0'; i += CharBytes(text + i)) ++count;
    return count;
}

}  // namespace orvik
