// A scripted random draw for the telephone tests: records every (n, k) asked and answers from
// a list of results (k when the list is used up).
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "telephone_rules.h"

struct ScriptedDraws {
    std::deque<int32_t> results;
    std::vector<std::pair<int32_t, int32_t>> asked;

    RandomDraw Draw() {
        return [this](int32_t n, int32_t k) {
            asked.emplace_back(n, k);
            if (results.empty()) return k;
            const int32_t r = results.front();
            results.pop_front();
            return r;
        };
    }
};
