// winpthread names its threads with _ultoa. This definition keeps that
// conversion in the program instead of importing msvcrt.dll's. No header is
// included: the C runtime's declaration of _ultoa would say dllimport.
extern "C" char* _ultoa(unsigned long value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) radix = 10;
    const unsigned long base = static_cast<unsigned long>(radix);
    char digits[33];
    int n = 0;
    do {
        unsigned long d = value % base;
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
        value /= base;
    } while (value != 0);
    for (int i = 0; i < n; ++i) buffer[i] = digits[n - 1 - i];
    buffer[n] = 0;
    return buffer;
}

// winpthread calls it through the import slot a DLL function would have.
extern "C" {
char* (*__imp__ultoa)(unsigned long, char*, int) = _ultoa;
}
