// Guards the wide string list: the sorted-list rules (where equal strings go, what each
// duplicates mode does, what a sorted list refuses), index errors with their texts, growth
// steps and a capacity that can never fall below the count, and when the change events fire.
#include <gtest/gtest.h>

#include "UniTestHelpers.h"
#include "ziplib/TUniStringList.h"
#include "ziplib/UniExceptions.h"

using namespace ziplib;
using unitest::Lines;
using unitest::U8;

namespace {

template <typename F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const EStringListError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(TUniStringList, SortedListsAndDuplicates) {
    struct Case { TDuplicates dup; int secondIndex; int count; };
    const Case cases[] = {
        {TDuplicates::dupIgnore, 1, 3},  // the existing index, nothing added
        {TDuplicates::dupAccept, 1, 4},  // before the first equal one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.dup));
        TUniStringList l;
        l.SetSorted(true);
        l.SetDuplicates(c.dup);
        EXPECT_EQ(l.Duplicates(), c.dup);
        int tag = 0;
        l.AddObject(u"b", &tag);
        l.Add(u"c");
        l.Add(u"a");
        EXPECT_EQ(l.Add(u"B"), c.secondIndex);  // equal without case
        EXPECT_EQ(l.Count(), c.count);
        EXPECT_EQ(l.IndexOf(u"b"), 1);
        if (c.dup == TDuplicates::dupAccept) {
            EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"B", u"b", u"c"}));
            EXPECT_EQ(l.GetObject(2), &tag);
        }
    }
    TUniStringList strict;
    strict.SetSorted(true);
    strict.SetDuplicates(TDuplicates::dupError);
    strict.Add(u"x");
    EXPECT_EQ(ErrorOf([&] { strict.Add(u"X"); }), "String list does not allow duplicates");
    EXPECT_EQ(strict.Count(), 1);
}

TEST(TUniStringList, SortingCaseAndSearch) {
    TUniStringList l;
    for (const char16_t* s : {u"в", u"Б", u"а", u"B", u"a", u"Ё"}) l.Add(s);
    EXPECT_EQ(l.IndexOf(u"б"), 1);  // unsorted: linear, without case
    l.SetSorted(true);
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"B", u"а", u"Б", u"в", u"Ё"}));
    int index = -1;
    EXPECT_TRUE(l.Find(u"ё", index));
    EXPECT_EQ(index, 5);
    EXPECT_FALSE(l.Find(u"c", index));
    EXPECT_EQ(index, 2);  // where it would go
    EXPECT_EQ(l.IndexOf(u"c"), -1);

    l.SetCaseSensitive(true);  // sorted again under the new comparison
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"B", u"a", u"Ё", u"Б", u"а", u"в"}));
    EXPECT_EQ(l.IndexOf(u"b"), -1);
    EXPECT_EQ(l.IndexOf(u"Б"), 3);

    TUniStringList names;
    for (const char16_t* s : {u"Zeta=1", u"alpha=2", u"beta", u"Beta=3"}) names.Add(s);
    EXPECT_EQ(names.IndexOfName(u"BETA"), 3);
    EXPECT_EQ(names.IndexOfName(u"gamma"), -1);
    names.SetSorted(true);
    EXPECT_EQ(names.IndexOfName(u"beta"), 2);
    EXPECT_EQ(names.IndexOfName(u"zeta"), 3);
    EXPECT_EQ(names.IndexOfName(u"alph"), -1);
}

TEST(TUniStringList, SortedListsRefuseChangesByPosition) {
    TUniStringList l;
    l.Add(u"b");
    l.Add(u"a");
    l.SetSorted(true);
    EXPECT_TRUE(l.Sorted());
    const std::string refused = "Operation not allowed on sorted list";
    EXPECT_EQ(ErrorOf([&] { l.Put(0, u"z"); }), refused);
    EXPECT_EQ(ErrorOf([&] { l.Insert(0, u"z"); }), refused);
    int calls = 0;
    l.CustomSort([&](TUniStringList&, int, int) { return ++calls, 0; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b"}));

    l.SetSorted(false);
    EXPECT_FALSE(l.Sorted());
    l.CustomSort([](TUniStringList& list, int x, int y) { return -list.CompareStrings(list[x], list[y]); });
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"b", u"a"}));
}

TEST(TUniStringList, IndexErrors) {
    TUniStringList l;
    l.Add(u"a");
    struct Case { const char* name; std::function<void()> call; std::string message; };
    const Case cases[] = {
        {"Get", [&] { l.Get(1); }, "List index out of bounds (1)"},
        {"Get negative", [&] { l.Get(-1); }, "List index out of bounds (-1)"},
        {"Put", [&] { l.Put(2, u"x"); }, "List index out of bounds (2)"},
        {"GetObject", [&] { l.GetObject(1); }, "List index out of bounds (1)"},
        {"PutObject", [&] { l.PutObject(5, nullptr); }, "List index out of bounds (5)"},
        {"Delete", [&] { l.Delete(1); }, "List index out of bounds (1)"},
        {"Exchange", [&] { l.Exchange(0, 3); }, "List index out of bounds (3)"},
        {"Insert past the end", [&] { l.Insert(2, u"x"); }, "List index out of bounds (2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.call), c.message);
    }
    l.Insert(1, u"b");  // at the end is allowed
    l.Insert(0, u"c");
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"c", u"a", u"b"}));
    l.Exchange(0, 2);
    l.Delete(1);
    EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"b", u"c"}));
}

TEST(TUniStringList, GrowthAndCapacity) {
    TUniStringList l;
    std::vector<int> seen;
    for (int i = 0; i < 80; ++i) {
        l.Add(u"x");
        if (seen.empty() || seen.back() != l.GetCapacity()) seen.push_back(l.GetCapacity());
    }
    EXPECT_EQ(seen, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));

    for (int cap : {64, 65}) {
        SCOPED_TRACE(cap);
        TUniStringList full;
        full.SetCapacity(cap);
        for (int i = 0; i < cap; ++i) full.Add(u"y");
        EXPECT_EQ(full.GetCapacity(), cap);
        full.Add(u"z");
        EXPECT_EQ(full.GetCapacity(), cap == 64 ? 80 : 81);
    }

    TUniStringList small;
    for (int i = 0; i < 5; ++i) small.Add(u"s");
    EXPECT_EQ(ErrorOf([&] { small.SetCapacity(4); }), "List capacity out of bounds (4)");
    EXPECT_EQ(small.Count(), 5);
    EXPECT_EQ(small.GetCapacity(), 8);
    small.SetCapacity(5);
    EXPECT_EQ(small.GetCapacity(), 5);
    EXPECT_EQ(small[4], u"s");
    small.Clear();
    EXPECT_EQ(small.Count(), 0);
    EXPECT_EQ(small.GetCapacity(), 0);
}

TEST(TUniStringList, ChangeEvents) {
    TUniStringList l;
    std::string log;
    l.OnChanging = [&](TUniStringList&) { log += '<'; };
    l.OnChange = [&](TUniStringList& sender) { log += std::to_string(sender.Count()) + '>'; };
    l.Add(u"a");
    l.Put(0, u"b");
    l.Delete(0);
    l.Clear();  // an empty list does not change
    EXPECT_EQ(log, "<1><1><0>");

    log.clear();
    l.BeginUpdate();
    l.BeginUpdate();
    l.Add(u"a");
    l.Add(u"b");
    l.EndUpdate();
    EXPECT_EQ(log, "<");
    l.EndUpdate();
    EXPECT_EQ(log, "<2>");

    log.clear();
    l.SetText(u"x\r\ny\nz\r");
    EXPECT_EQ(log, "<3>");
    EXPECT_EQ(l.GetText(), u"x\r\ny\r\nz\r\n");

    TUniStringList copy;
    copy.Assign(l);
    EXPECT_EQ(Lines(copy), Lines(l));
}
