#include "framework/ui/SumTree.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace {

struct TWidths {
    struct Item {
        int height;
        int width;
    };
    struct Sum {
        long long height = 0;
        int widest = 0;
    };
    static Sum Of(const Item& item) { return {item.height, item.width}; }
    static Sum Add(const Sum& a, const Sum& b) {
        return {a.height + b.height, std::max(a.widest, b.widest)};
    }
};

using TTree = TSumTree<TWidths>;

void expectSameAs(const TTree& tree, const std::vector<TWidths::Item>& model) {
    ASSERT_EQ(tree.Size(), model.size());
    long long height = 0;
    int widest = 0;
    for (size_t i = 0; i <= model.size(); i += 1 + model.size() / 97) {
        long long h = 0;
        for (size_t k = 0; k < i; ++k) {
            h += model[k].height;
        }
        ASSERT_EQ(tree.Prefix(i).height, h) << "prefix " << i;
        if (i < model.size()) {
            ASSERT_EQ(tree.At(i).height, model[i].height) << "item " << i;
        }
    }
    for (const auto& item : model) {
        height += item.height;
        widest = std::max(widest, item.width);
    }
    EXPECT_EQ(tree.Total().height, height);
    EXPECT_EQ(tree.Total().widest, widest);
    // Searches by running height land where a walk over the records does.
    for (long long y : {0LL, 1LL, height / 3, height / 2, height - 1, height, height + 5}) {
        const auto hit = tree.Find([&](const TWidths::Sum& s) { return s.height > y; });
        size_t index = 0;
        long long before = 0;
        while (index < model.size() && before + model[index].height <= y) {
            before += model[index++].height;
        }
        ASSERT_EQ(hit.index, index) << "y " << y;
        ASSERT_EQ(hit.before.height, before);
    }
}

} // namespace

// Every kind of change, small and large, at the ends and in the middle,
// against a plain vector.
TEST(SumTree, AgreesWithAPlainSequenceThroughRandomChanges) {
    std::mt19937 rng(1616);
    TTree tree;
    std::vector<TWidths::Item> model;
    expectSameAs(tree, model);
    auto randomItems = [&](size_t n) {
        std::vector<TWidths::Item> items(n);
        for (auto& item : items) {
            item = {static_cast<int>(rng() % 40), static_cast<int>(rng() % 1000)};
        }
        return items;
    };
    for (int round = 0; round < 3000; ++round) {
        const size_t size = model.size();
        const size_t at = size == 0 ? 0 : rng() % (size + 1);
        const unsigned op = rng() % 10;
        if (op < 4) {
            // one in, at the front, the back or anywhere
            const size_t where = op == 0 ? 0 : op == 1 ? size : at;
            const auto items = randomItems(1);
            tree.Insert(where, items[0]);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(where), items[0]);
        } else if (op < 6 && size > 0) {
            const size_t where = std::min(at, size - 1);
            tree.Erase(where);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(where));
        } else if (op < 8 && size > 0) {
            const size_t where = std::min(at, size - 1);
            const auto items = randomItems(1);
            tree.Set(where, items[0]);
            model[where] = items[0];
        } else {
            // a stretch replaced by another, now and then bigger than the rest
            const size_t removed =
                std::min<size_t>(size - at, rng() % (round % 50 == 0 ? 2000 : 70));
            const auto items = randomItems(rng() % (round % 70 == 0 ? 3000 : 60));
            tree.Replace(at, removed, items.data(), items.size());
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at),
                        model.begin() + static_cast<std::ptrdiff_t>(at + removed));
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), items.begin(),
                         items.end());
        }
        if (round % 50 == 0) {
            SCOPED_TRACE(round);
            expectSameAs(tree, model);
        }
    }
    expectSameAs(tree, model);
    // Emptied one record at a time, it stays sound to the last.
    while (!model.empty()) {
        const size_t where = rng() % model.size();
        tree.Erase(where);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(where));
        if (model.size() % 211 == 0) {
            expectSameAs(tree, model);
        }
    }
    expectSameAs(tree, model);
    EXPECT_TRUE(tree.Items().empty());
}
