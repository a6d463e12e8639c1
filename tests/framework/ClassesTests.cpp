#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Modules.h"

using namespace ui;

namespace {

struct TCounter {
    int calls = 0;
    TObject* lastSender = nullptr;
    void Count(TObject* sender) {
        ++calls;
        lastSender = sender;
    }
    void Other(TObject*) {}
};

std::vector<std::string>* g_log = nullptr;

class TLoggedComponent : public TComponent {
public:
    TLoggedComponent(TComponent* owner, std::string name) : TComponent(owner), tag_(std::move(name)) {}
    ~TLoggedComponent() override {
        if (g_log) g_log->push_back("free " + tag_);
    }
    int loadedCalls = 0;
    bool wasLoadingWhenLoaded = true;

protected:
    void Loaded() override {
        ++loadedCalls;
        wasLoadingWhenLoaded = IsLoading();
        if (g_log) g_log->push_back("loaded " + tag_);
    }

private:
    std::string tag_;
};

}  // namespace

TEST(Events, MethodValuesCompareByObjectAndCode) {
    TCounter a, b;
    auto aCount = TNotifyEvent::Of<&TCounter::Count>(&a);
    EXPECT_EQ(aCount, TNotifyEvent::Of<&TCounter::Count>(&a));
    EXPECT_NE(aCount, TNotifyEvent::Of<&TCounter::Count>(&b));
    EXPECT_NE(aCount, TNotifyEvent::Of<&TCounter::Other>(&a));

    TNotifyEvent empty;
    EXPECT_FALSE(empty.Assigned());
    EXPECT_TRUE(aCount.Assigned());

    TObject sender;
    aCount(&sender);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.lastSender, &sender);
    EXPECT_EQ(b.calls, 0);
}

TEST(Components, OwnerFreesWhatItOwnsLastCreatedFirst) {
    std::vector<std::string> log;
    g_log = &log;
    auto* owner = new TLoggedComponent(nullptr, "owner");
    auto* first = new TLoggedComponent(owner, "first");
    new TLoggedComponent(owner, "second");
    auto* grandChild = new TLoggedComponent(first, "grandchild");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(first->Components(0), grandChild);

    // A component freed on its own leaves its owner's list.
    auto* loose = new TLoggedComponent(owner, "loose");
    delete loose;
    EXPECT_EQ(owner->ComponentCount(), 2);

    log.clear();
    delete owner;
    g_log = nullptr;
    // Each component's own destructor runs before it frees what it owns.
    EXPECT_EQ(log, (std::vector<std::string>{"free owner", "free second", "free first", "free grandchild"}));
}

TEST(Components, LoadedRunsOnceAfterLoadingForOwnedComponentsFirst) {
    std::vector<std::string> log;
    g_log = &log;
    TLoggedComponent owner(nullptr, "owner");
    auto* child = new TLoggedComponent(&owner, "child");
    owner.BeginLoading();
    EXPECT_TRUE(owner.IsLoading());
    EXPECT_TRUE(child->IsLoading());
    owner.EndLoading();
    EXPECT_FALSE(child->IsLoading());
    EXPECT_EQ(log, (std::vector<std::string>{"loaded child", "loaded owner"}));
    EXPECT_EQ(child->loadedCalls, 1);
    EXPECT_FALSE(child->wasLoadingWhenLoaded);
    owner.EndLoading();  // not loading any more: nothing runs again
    EXPECT_EQ(child->loadedCalls, 1);
    g_log = nullptr;
}

TEST(StringList, BulkAssignmentNotifiesOnceSingleChangesEach) {
    TStringList list;
    TCounter counter;
    list.OnChange = TNotifyEvent::Of<&TCounter::Count>(&counter);

    list.Assign(std::vector<std::string>{"a", "b", "c"});
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(counter.lastSender, &list);
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n");

    list.Add("d");
    list.Delete(0);
    EXPECT_EQ(counter.calls, 3);

    TStringList other;
    other.SetText("x\r\ny\nz");
    list.Assign(other);
    EXPECT_EQ(counter.calls, 4);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2], "z");

    // An assignment that changes nothing is still one change.
    TStringList empty;
    empty.OnChange = TNotifyEvent::Of<&TCounter::Count>(&counter);
    empty.Assign(std::vector<std::string>{});
    EXPECT_EQ(counter.calls, 5);
    empty.SetText("");
    EXPECT_EQ(counter.calls, 6);

    EXPECT_THROW(list.Delete(3), Exception);
}

TEST(MemoryStream, ReadsBackWhatWasWrittenAndGrows) {
    TMemoryStream stream;
    const char bytes[] = "0123456789";
    EXPECT_EQ(stream.Write(bytes, 10), 10u);
    EXPECT_EQ(stream.Size(), 10u);
    stream.Seek(4, soBeginning);
    char out[8] = {};
    EXPECT_EQ(stream.Read(out, 8), 6u);  // only what is left
    EXPECT_EQ(std::string(out, 6), "456789");
    stream.Seek(-2, soEnd);
    stream.Write("AB", 2);
    stream.Write("C", 1);
    EXPECT_EQ(stream.Size(), 11u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 11), "01234567ABC");
}

namespace {
std::vector<std::string> g_moduleLog;
void StartA() { g_moduleLog.push_back("start A"); }
void StopA() { g_moduleLog.push_back("stop A"); }
void StartB() { g_moduleLog.push_back("start B"); }
void StopB() { g_moduleLog.push_back("stop B"); }
void StartFails() { throw Exception("cannot start"); }
}  // namespace

TEST(Modules, StartInOrderStopInReverseOnce) {
    g_moduleLog.clear();
    {
        TModuleList modules({{"A", &StartA, &StopA}, {"B", &StartB, &StopB}, {"none", nullptr, nullptr}});
        modules.StartUp();
        modules.ShutDown();
        modules.ShutDown();
    }
    EXPECT_EQ(g_moduleLog, (std::vector<std::string>{"start A", "start B", "stop B", "stop A"}));
}

TEST(Modules, AFailedStartUpShutsDownWhatHadStarted) {
    g_moduleLog.clear();
    TModuleList modules({{"A", &StartA, &StopA}, {"F", &StartFails, &StopB}, {"B", &StartB, &StopB}});
    EXPECT_THROW(modules.StartUp(), Exception);
    EXPECT_EQ(g_moduleLog, (std::vector<std::string>{"start A", "stop A"}));
}
