// The stable rule by which serial adapters that no COM number reaches are given one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The number an adapter asks for first: 1 + (FNV-1a-32 of its key mod last). The same key
// asks for the same number on every machine and at every start.
int PreferredAdapterNumber(std::string_view key, int last);

// Numbers for adapters by their keys (the results in the order of keys). Taken in the
// order of their keys, each adapter gets its preferred number or, when that is not free or
// already given, the next free one above it, counting on from 1 after last. isFree tells
// whether a number is open to adapters at all. An adapter that finds no number gets 0.
std::vector<int> AssignAdapterNumbers(const std::vector<std::string>& keys, int last,
                                      const std::function<bool(int)>& isFree);
