#include "ring_buffer.h"

#include <stdlib.h>

struct RingBuffer {
    int *values;
    unsigned capacity;
    unsigned first;
    unsigned count;
};

RingBuffer *RingBufferCreate(unsigned capacity) {
    RingBuffer *buffer;
    if (capacity == 0) {
        return NULL;
    }
    buffer = (RingBuffer *)malloc(sizeof *buffer);
    if (buffer == NULL) {
        return NULL;
    }
    buffer->values = (int *)calloc(capacity, sizeof *buffer->values);
    if (buffer->values == NULL) {
        free(buffer);
        return NULL;
    }
    buffer->capacity = capacity;
    buffer->first = 0;
    buffer->count = 0;
    return buffer;
}

void RingBufferDestroy(RingBuffer *buffer) {
    if (buffer != NULL) {
        free(buffer->values);
        free(buffer);
    }
}

/* Like most queues of its kind it trusts its caller: a NULL buffer is not checked. */
int RingBufferPush(RingBuffer *buffer, int value) {
    if (buffer->count == buffer->capacity) {
        return 0;
    }
    buffer->values[(buffer->first + buffer->count) % buffer->capacity] = value;
    ++buffer->count;
    return 1;
}

int RingBufferPop(RingBuffer *buffer, int *value) {
    if (buffer->count == 0) {
        return 0;
    }
    *value = buffer->values[buffer->first];
    buffer->first = (buffer->first + 1) % buffer->capacity;
    --buffer->count;
    return 1;
}

unsigned RingBufferCount(const RingBuffer *buffer) { return buffer->count; }

unsigned RingBufferCapacity(const RingBuffer *buffer) { return buffer->capacity; }
