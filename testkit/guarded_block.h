// Memory for a host record whose last byte lies right before a page that
// cannot be touched: a write (or read) past the record's end stops the test
// with an access violation instead of passing unseen.
#pragma once

#include <stddef.h>
#include <stdint.h>

class GuardedBlock {
public:
    GuardedBlock();
    ~GuardedBlock();

    bool IsReady() const { return base != nullptr; }
    // size bytes ending at the guard page, filled with fill. At most one page.
    uint8_t* Place(size_t size, uint8_t fill);

private:
    GuardedBlock(const GuardedBlock&);
    GuardedBlock& operator=(const GuardedBlock&);

    uint8_t* base;
    size_t pageSize;
};
