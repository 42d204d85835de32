/* The sample test DLL: tests of the ring buffer in ring_buffer.c. Most pass; one
 * asks for behaviour the buffer does not have, and one hands it a NULL buffer,
 * which the run survives because every test runs under the crash guard. */
#include "norvik_test.h"
#include "ring_buffer.h"

enum { kCapacity = 3 };

static RingBuffer *buffer;

static void NVK_CALL CreateBuffer(void) { buffer = RingBufferCreate(kCapacity); }

static void NVK_CALL DestroyBuffer(void) {
    RingBufferDestroy(buffer);
    buffer = NULL;
}

static void PushAll(const int *values, unsigned count) {
    unsigned index;
    for (index = 0; index < count; ++index) {
        RingBufferPush(buffer, values[index]);
    }
}

static void NVK_CALL NewBufferIsEmpty(void) {
    int value = 0;
    NVK_ASSERT_NOT_NULL(buffer);
    NVK_ASSERT_EQUAL_UINT(0u, RingBufferCount(buffer));
    NVK_ASSERT_EQUAL_UINT(kCapacity, RingBufferCapacity(buffer));
    NVK_ASSERT_FALSE(RingBufferPop(buffer, &value));
}

static void NVK_CALL PopsValuesInPushOrder(void) {
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

static void NVK_CALL WrapsAroundAfterPops(void) {
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

static void NVK_CALL ZeroCapacityGivesNoBuffer(void) { NVK_ASSERT_NULL(RingBufferCreate(0)); }

static void NVK_CALL FullBufferRefusesPush(void) {
    const int values[] = {1, 2, 3};
    int value = 0;
    PushAll(values, kCapacity);
    NVK_ASSERT_FALSE(RingBufferPush(buffer, 4));
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(1, value);
}

/* Fails on purpose, to show a failure in the report: the buffer refuses a push when
 * full instead of dropping its oldest value. */
static void NVK_CALL FullBufferDropsOldestValue(void) {
    const int values[] = {1, 2, 3};
    int value = 0;
    PushAll(values, kCapacity);
    RingBufferPush(buffer, 4);
    RingBufferPop(buffer, &value);
    NVK_ASSERT_EQUAL_INT(2, value);
}

/* Crashes on purpose: the buffer does not check for NULL. The crash guard records
 * the fault as a failure and the run goes on. */
static void NVK_CALL PushToMissingBuffer(void) {
    RingBuffer *volatile missing = NULL;
    RingBufferPush(missing, 1);
}

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *basics = NvkBatchCreate("RingBufferBasics");
    NvkBatch *limits = NvkBatchCreate("RingBufferLimits");
    NvkBatchSetSetupFunctions(basics, NULL, NULL, CreateBuffer, DestroyBuffer);
    NvkBatchSetSetupFunctions(limits, NULL, NULL, CreateBuffer, DestroyBuffer);
    NVK_ADD_TEST(basics, NewBufferIsEmpty);
    NVK_ADD_TEST(basics, PopsValuesInPushOrder);
    NVK_ADD_TEST(basics, WrapsAroundAfterPops);
    NVK_ADD_TEST(limits, ZeroCapacityGivesNoBuffer);
    NVK_ADD_TEST(limits, FullBufferRefusesPush);
    NVK_ADD_TEST(limits, FullBufferDropsOldestValue);
    NVK_ADD_TEST(limits, PushToMissingBuffer);
}
