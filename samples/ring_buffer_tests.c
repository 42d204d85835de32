/* The sample test DLL: tests of the ring buffer in ring_buffer.c. Most pass; one
 * asks for behaviour the buffer does not have, and one hands it a NULL buffer,
 * which the run survives because every test runs under the crash guard. Tests
 * declare themselves in their batches and run in the order they are written. */
#include "norvik_test.h"
#include "ring_buffer.h"

enum { kCapacity = 3 };

static RingBuffer *buffer;

static void PushAll(const int *values, unsigned count) {
    unsigned index;
    for (index = 0; index < count; ++index) {
        RingBufferPush(buffer, values[index]);
    }
}

/* Every test of both batches starts with a new, empty buffer. */
NVK_TEST_SETUP(RingBufferBasics) { buffer = RingBufferCreate(kCapacity); }
NVK_TEST_TEARDOWN(RingBufferBasics) { RingBufferDestroy(buffer); }
NVK_TEST_SETUP(RingBufferLimits) { buffer = RingBufferCreate(kCapacity); }
NVK_TEST_TEARDOWN(RingBufferLimits) { RingBufferDestroy(buffer); }

NVK_TEST(RingBufferBasics, NewBufferIsEmpty) {
    int value = 0;
    NVK_ASSERT_NOT_NULL(buffer);
    NVK_ASSERT_EQUAL_UINT(0u, RingBufferCount(buffer));
    NVK_ASSERT_EQUAL_UINT(kCapacity, RingBufferCapacity(buffer));
    NVK_ASSERT_FALSE(RingBufferPop(buffer, &value));
}

NVK_TEST(RingBufferBasics, PopsValuesInPushOrder) {
    const int values[] = {7, -2, 40};
    int value = 0;
    PushAll(values, kCapacity);
    NVK_ASSERT_TRUE(RingBufferPop(buffer, &value));
    NVK_ASSERT_EQUAL_INT(7, value);
    NVK_ASSERT_TRUE(RingBufferPop(buffer, &value));
    NVK_ASSERT_EQUAL_INT(-2, value);
    NVK_ASSERT_TRUE(RingBufferPop(buffer, &value));
    NVK_ASSERT_EQUAL_INT(40, value);
    NVK_ASSERT_EQUAL_UINT(0u, RingBufferCount(buffer));
}

NVK_TEST(RingBufferBasics, WrapsAroundAfterPops) {
    const int values[] = {1, 2, 3};
    int value = 0;
    PushAll(values, kCapacity);
    RingBufferPop(buffer, &value);
    NVK_ASSERT_TRUE(RingBufferPush(buffer, 4));
    NVK_ASSERT_EQUAL_UINT(kCapacity, RingBufferCount(buffer));
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(2, value);
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(3, value);
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(4, value);
}

NVK_TEST(RingBufferLimits, ZeroCapacityGivesNoBuffer) { NVK_ASSERT_NULL(RingBufferCreate(0)); }

NVK_TEST(RingBufferLimits, FullBufferRefusesPush) {
    const int values[] = {1, 2, 3};
    int value = 0;
    PushAll(values, kCapacity);
    NVK_ASSERT_FALSE(RingBufferPush(buffer, 4));
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(1, value);
}

/* Fails on purpose, to show a failure in the report: the buffer refuses a push when
 * full instead of dropping its oldest value. */
NVK_TEST(RingBufferLimits, FullBufferDropsOldestValue) {
    const int values[] = {1, 2, 3};
    int value = 0;
    PushAll(values, kCapacity);
    RingBufferPush(buffer, 4);
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(2, value);
}

/* Crashes on purpose: the buffer does not check for NULL. The crash guard records
 * the fault as a failure and the run goes on. */
NVK_TEST(RingBufferLimits, PushToMissingBuffer) {
    RingBuffer *volatile missing = NULL;
    RingBufferPush(missing, 1);
}

/* The entry point the runner calls: it registers the tests declared above. */
NVK_TEST_LIBRARY_ENTRY {}
