#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// A sequence of small records with running totals, as a B+-tree counted by
// records: a record inserted, removed or changed anywhere, the total of the
// records before an index, and the search for where a running total is
// first reached, each in O(log n). Traits give:
//   using Item = ...;                        the record
//   using Sum = ...;                         what records add up to; Sum{} adds nothing
//   static Sum Of(const Item&);
//   static Sum Add(const Sum&, const Sum&);  associative
template <typename Traits> class TSumTree {
public:
    using Item = typename Traits::Item;
    using Sum = typename Traits::Sum;

    // Where a search stopped: the record's index and the total before it.
    struct Hit {
        size_t index;
        Sum before;
    };

    TSumTree() : root_(new Leaf) {}
    ~TSumTree() { destroy(root_); }
    TSumTree(const TSumTree&) = delete;
    TSumTree& operator=(const TSumTree&) = delete;

    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }

    const Item& At(size_t index) const {
        const Node* node = root_;
        while (!node->leaf) {
            const auto* inner = static_cast<const Inner*>(node);
            node = inner->children[childFor(inner, index)];
        }
        return static_cast<const Leaf*>(node)->items[index];
    }

    void Set(size_t index, const Item& item) { set(root_, index, item); }

    // The total of the records [0, index).
    Sum Prefix(size_t index) const {
        Sum acc{};
        const Node* node = root_;
        while (!node->leaf) {
            const auto* inner = static_cast<const Inner*>(node);
            int c = 0;
            while (index >= inner->sizes[c] && c + 1 < inner->count) {
                acc = Traits::Add(acc, inner->sums[c]);
                index -= inner->sizes[c++];
            }
            node = inner->children[c];
        }
        const auto* leaf = static_cast<const Leaf*>(node);
        for (size_t i = 0; i < index && i < static_cast<size_t>(leaf->count); ++i) {
            acc = Traits::Add(acc, Traits::Of(leaf->items[i]));
        }
        return acc;
    }

    Sum Total() const { return total(root_); }

    // The first record whose running total (itself included) satisfies the
    // predicate, which must hold from some index on; Size() when none does.
    template <typename Pred> Hit Find(Pred&& reached) const {
        Sum acc{};
        size_t base = 0;
        const Node* node = root_;
        while (!node->leaf) {
            const auto* inner = static_cast<const Inner*>(node);
            int c = 0;
            for (; c + 1 < inner->count; ++c) {
                const Sum next = Traits::Add(acc, inner->sums[c]);
                if (reached(next)) {
                    break;
                }
                acc = next;
                base += inner->sizes[c];
            }
            node = inner->children[c];
        }
        const auto* leaf = static_cast<const Leaf*>(node);
        for (int i = 0; i < leaf->count; ++i) {
            const Sum next = Traits::Add(acc, Traits::Of(leaf->items[i]));
            if (reached(next)) {
                return {base + static_cast<size_t>(i), acc};
            }
            acc = next;
        }
        return {size_, acc};
    }

    // Replaces the records [index, index + removed) with the given ones. A
    // change of many records against the size rebuilds the tree, which then
    // costs what one pass over the records costs.
    void Replace(size_t index, size_t removed, const Item* items, size_t count) {
        index = std::min(index, size_);
        removed = std::min(removed, size_ - index);
        if ((removed + count) * kRebuildFactor > size_ + count && removed + count > kLeafMax) {
            std::vector<Item> all = Items();
            all.erase(all.begin() + static_cast<std::ptrdiff_t>(index),
                      all.begin() + static_cast<std::ptrdiff_t>(index + removed));
            all.insert(all.begin() + static_cast<std::ptrdiff_t>(index), items, items + count);
            Assign(all);
            return;
        }
        const size_t common = std::min(removed, count);
        for (size_t i = 0; i < common; ++i) {
            Set(index + i, items[i]);
        }
        for (size_t i = common; i < removed; ++i) {
            erase(index + common);
        }
        for (size_t i = common; i < count; ++i) {
            insert(index + i, items[i]);
        }
    }
    void Insert(size_t index, const Item& item) { Replace(index, 0, &item, 1); }
    void Erase(size_t index, size_t count = 1) { Replace(index, count, nullptr, 0); }

    void Assign(const std::vector<Item>& items) { Assign(items.data(), items.size()); }
    void Assign(const Item* items, size_t count) {
        destroy(root_);
        size_ = count;
        // Nodes three quarters full leave room for insertions.
        std::vector<Node*> level;
        const size_t leaves =
            std::max<size_t>(1, (count + kLeafMax * 3 / 4 - 1) / (kLeafMax * 3 / 4));
        for (size_t k = 0, at = 0; k < leaves; ++k) {
            auto* leaf = new Leaf;
            const size_t end = count * (k + 1) / leaves;
            leaf->count = static_cast<int>(end - at);
            std::copy(items + at, items + end, leaf->items);
            at = end;
            level.push_back(leaf);
        }
        while (level.size() > 1) {
            const size_t n = level.size();
            const size_t parents = (n + kInnerMax * 3 / 4 - 1) / (kInnerMax * 3 / 4);
            std::vector<Node*> up;
            for (size_t k = 0, at = 0; k < parents; ++k) {
                auto* inner = new Inner;
                const size_t end = n * (k + 1) / parents;
                for (size_t c = at; c < end; ++c) {
                    inner->adopt(static_cast<int>(c - at), level[c]);
                }
                inner->count = static_cast<int>(end - at);
                at = end;
                up.push_back(inner);
            }
            level = std::move(up);
        }
        root_ = level.front();
    }

    std::vector<Item> Items() const {
        std::vector<Item> out;
        out.reserve(size_);
        collect(root_, out);
        return out;
    }

private:
    static constexpr size_t kLeafMax = 64;
    static constexpr size_t kInnerMax = 32;
    static constexpr size_t kRebuildFactor = 24;

    struct Node {
        explicit Node(bool isLeaf) : leaf(isLeaf) {}
        int count = 0;
        bool leaf;
    };
    struct Leaf : Node {
        Leaf() : Node(true) {}
        Item items[kLeafMax];
    };
    struct Inner : Node {
        Inner() : Node(false) {}
        Node* children[kInnerMax];
        size_t sizes[kInnerMax];
        Sum sums[kInnerMax];
        void adopt(int c, Node* child) {
            children[c] = child;
            sizes[c] = sizeOf(child);
            sums[c] = total(child);
        }
    };

    static size_t sizeOf(const Node* node) {
        if (node->leaf) {
            return static_cast<size_t>(node->count);
        }
        const auto* inner = static_cast<const Inner*>(node);
        size_t n = 0;
        for (int c = 0; c < inner->count; ++c) {
            n += inner->sizes[c];
        }
        return n;
    }

    static Sum total(const Node* node) {
        Sum acc{};
        if (node->leaf) {
            const auto* leaf = static_cast<const Leaf*>(node);
            for (int i = 0; i < leaf->count; ++i) {
                acc = Traits::Add(acc, Traits::Of(leaf->items[i]));
            }
        } else {
            const auto* inner = static_cast<const Inner*>(node);
            for (int c = 0; c < inner->count; ++c) {
                acc = Traits::Add(acc, inner->sums[c]);
            }
        }
        return acc;
    }

    static void destroy(Node* node) {
        if (!node->leaf) {
            auto* inner = static_cast<Inner*>(node);
            for (int c = 0; c < inner->count; ++c) {
                destroy(inner->children[c]);
            }
            delete inner;
        } else {
            delete static_cast<Leaf*>(node);
        }
    }

    static void collect(const Node* node, std::vector<Item>& out) {
        if (node->leaf) {
            const auto* leaf = static_cast<const Leaf*>(node);
            out.insert(out.end(), leaf->items, leaf->items + leaf->count);
            return;
        }
        const auto* inner = static_cast<const Inner*>(node);
        for (int c = 0; c < inner->count; ++c) {
            collect(inner->children[c], out);
        }
    }

    // The child holding the index, the index made local to it.
    static int childFor(const Inner* inner, size_t& index) {
        int c = 0;
        while (c + 1 < inner->count && index >= inner->sizes[c]) {
            index -= inner->sizes[c++];
        }
        return c;
    }

    static void set(Node* node, size_t index, const Item& item) {
        if (node->leaf) {
            static_cast<Leaf*>(node)->items[index] = item;
            return;
        }
        auto* inner = static_cast<Inner*>(node);
        const int c = childFor(inner, index);
        set(inner->children[c], index, item);
        inner->sums[c] = total(inner->children[c]);
    }

    void insert(size_t index, const Item& item) {
        if (Node* split = insertInto(root_, index, item)) {
            auto* root = new Inner;
            root->adopt(0, root_);
            root->adopt(1, split);
            root->count = 2;
            root_ = root;
        }
        ++size_;
    }

    // Inserts into the subtree; returns the new right sibling when the node split.
    static Node* insertInto(Node* node, size_t index, const Item& item) {
        if (node->leaf) {
            auto* leaf = static_cast<Leaf*>(node);
            Leaf* target = leaf;
            Leaf* right = nullptr;
            if (static_cast<size_t>(leaf->count) == kLeafMax) {
                right = new Leaf;
                const int half = leaf->count / 2;
                right->count = leaf->count - half;
                std::copy(leaf->items + half, leaf->items + leaf->count, right->items);
                leaf->count = half;
                if (index > static_cast<size_t>(half)) {
                    target = right;
                    index -= static_cast<size_t>(half);
                }
            }
            std::copy_backward(target->items + index, target->items + target->count,
                               target->items + target->count + 1);
            target->items[index] = item;
            ++target->count;
            return right;
        }
        auto* inner = static_cast<Inner*>(node);
        // Between two children the left one takes it, at its end.
        int c = 0;
        while (c + 1 < inner->count && index > inner->sizes[c]) {
            index -= inner->sizes[c++];
        }
        Node* split = insertInto(inner->children[c], index, item);
        inner->adopt(c, inner->children[c]);
        if (split == nullptr) {
            return nullptr;
        }
        Inner* target = inner;
        Inner* right = nullptr;
        int at = c + 1;
        if (static_cast<size_t>(inner->count) == kInnerMax) {
            right = new Inner;
            const int half = inner->count / 2;
            right->count = inner->count - half;
            for (int k = 0; k < right->count; ++k) {
                right->children[k] = inner->children[half + k];
                right->sizes[k] = inner->sizes[half + k];
                right->sums[k] = inner->sums[half + k];
            }
            inner->count = half;
            if (at > half) {
                target = right;
                at -= half;
            }
        }
        for (int k = target->count; k > at; --k) {
            target->children[k] = target->children[k - 1];
            target->sizes[k] = target->sizes[k - 1];
            target->sums[k] = target->sums[k - 1];
        }
        target->adopt(at, split);
        ++target->count;
        return right;
    }

    void erase(size_t index) {
        eraseFrom(root_, index);
        --size_;
        while (!root_->leaf && root_->count == 1) {
            auto* inner = static_cast<Inner*>(root_);
            root_ = inner->children[0];
            inner->count = 0;
            delete inner;
        }
    }

    static void eraseFrom(Node* node, size_t index) {
        if (node->leaf) {
            auto* leaf = static_cast<Leaf*>(node);
            std::copy(leaf->items + index + 1, leaf->items + leaf->count, leaf->items + index);
            --leaf->count;
            return;
        }
        auto* inner = static_cast<Inner*>(node);
        const int c = childFor(inner, index);
        Node* child = inner->children[c];
        eraseFrom(child, index);
        inner->adopt(c, child);
        const size_t max = child->leaf ? kLeafMax : kInnerMax;
        if (static_cast<size_t>(child->count) < max / 4 && inner->count > 1) {
            rebalance(inner, c + 1 < inner->count ? c : c - 1);
        }
    }

    // Joins the children c and c + 1 when they fit in one, else evens them out.
    static void rebalance(Inner* parent, int c) {
        Node* left = parent->children[c];
        Node* right = parent->children[c + 1];
        const size_t max = left->leaf ? kLeafMax : kInnerMax;
        const int all = left->count + right->count;
        if (static_cast<size_t>(all) <= max) {
            moveLeft(left, right, right->count);
            destroy(right);
            for (int k = c + 1; k + 1 < parent->count; ++k) {
                parent->children[k] = parent->children[k + 1];
                parent->sizes[k] = parent->sizes[k + 1];
                parent->sums[k] = parent->sums[k + 1];
            }
            --parent->count;
            parent->adopt(c, left);
            return;
        }
        const int want = all / 2;
        if (left->count < want) {
            moveLeft(left, right, want - left->count);
        } else {
            moveRight(left, right, left->count - want);
        }
        parent->adopt(c, left);
        parent->adopt(c + 1, right);
    }

    // The first n entries of right go to the end of left.
    static void moveLeft(Node* left, Node* right, int n) {
        if (left->leaf) {
            auto* l = static_cast<Leaf*>(left);
            auto* r = static_cast<Leaf*>(right);
            std::copy(r->items, r->items + n, l->items + l->count);
            std::copy(r->items + n, r->items + r->count, r->items);
        } else {
            auto* l = static_cast<Inner*>(left);
            auto* r = static_cast<Inner*>(right);
            for (int k = 0; k < n; ++k) {
                l->children[l->count + k] = r->children[k];
                l->sizes[l->count + k] = r->sizes[k];
                l->sums[l->count + k] = r->sums[k];
            }
            for (int k = n; k < r->count; ++k) {
                r->children[k - n] = r->children[k];
                r->sizes[k - n] = r->sizes[k];
                r->sums[k - n] = r->sums[k];
            }
        }
        left->count += n;
        right->count -= n;
    }

    // The last n entries of left go to the front of right.
    static void moveRight(Node* left, Node* right, int n) {
        if (left->leaf) {
            auto* l = static_cast<Leaf*>(left);
            auto* r = static_cast<Leaf*>(right);
            std::copy_backward(r->items, r->items + r->count, r->items + r->count + n);
            std::copy(l->items + l->count - n, l->items + l->count, r->items);
        } else {
            auto* l = static_cast<Inner*>(left);
            auto* r = static_cast<Inner*>(right);
            for (int k = r->count - 1; k >= 0; --k) {
                r->children[k + n] = r->children[k];
                r->sizes[k + n] = r->sizes[k];
                r->sums[k + n] = r->sums[k];
            }
            for (int k = 0; k < n; ++k) {
                r->children[k] = l->children[l->count - n + k];
                r->sizes[k] = l->sizes[l->count - n + k];
                r->sums[k] = l->sums[l->count - n + k];
            }
        }
        left->count -= n;
        right->count += n;
    }

    Node* root_;
    size_t size_ = 0;
};
