#include <gtest/gtest.h>

#include "trace.h"

using namespace corvane;

TEST(Trace, SpanClosesWithConsistentTimes) {
    SpanBuilder b("parse");
    TraceSpan s = std::move(b).finish();
    EXPECT_EQ(s.name, "parse");
    EXPECT_EQ(s.status, SpanStatus::Ok);
    EXPECT_GE(s.end_time_ms, s.start_time_ms);
    EXPECT_EQ(s.end_time_ms - s.start_time_ms, s.duration_us / 1000);
    EXPECT_GT(s.start_time_ms, 1'600'000'000'000u);
    EXPECT_TRUE(s.attributes.empty());
}

TEST(Trace, AttributesKeepOrderAndDuplicates) {
    SpanBuilder b("execute");
    b.set_attr("corvane.suspended_on", "fetch");
    b.set_attr("corvane.args_count", uint64_t{0});
    b.set_attr("corvane.args_count", uint64_t{18446744073709551615u});
    TraceSpan s = std::move(b).finish();
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(s.attributes, (std::vector<P>{{"corvane.suspended_on", "fetch"},
                                            {"corvane.args_count", "0"},
                                            {"corvane.args_count", "18446744073709551615"}}));
}

TEST(Trace, ErrorAppendsItsTextLast) {
    SpanBuilder b("compile");
    b.set_attr("a", "1");
    TraceSpan s = std::move(b).finish_error("compile error: x");
    EXPECT_EQ(s.status, SpanStatus::Error);
    ASSERT_EQ(s.attributes.size(), 2u);
    EXPECT_EQ(s.attributes[1].first, "corvane.error");
    EXPECT_EQ(s.attributes[1].second, "compile error: x");
}

TEST(Trace, ChildrenInAppendOrderWithinTheRootInterval) {
    SpanBuilder root("corvane.run");
    for (const char* name : {"parse", "compile", "execute"}) {
        root.add_child(SpanBuilder(name).finish());
    }
    TraceSpan r = std::move(root).finish();
    ASSERT_EQ(r.children.size(), 3u);
    EXPECT_EQ(r.children[0].name, "parse");
    EXPECT_EQ(r.children[2].name, "execute");
    for (const auto& c : r.children) {
        EXPECT_GE(c.start_time_ms, r.start_time_ms);
        EXPECT_LE(c.duration_us, r.duration_us);
    }
}
