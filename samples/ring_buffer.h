/* A fixed-capacity first-in, first-out queue of ints: the code under test of the
 * sample test DLL. */
#ifndef RING_BUFFER_H
#define RING_BUFFER_H

typedef struct RingBuffer RingBuffer;

/* NULL when capacity is 0 or memory runs out. */
RingBuffer *RingBufferCreate(unsigned capacity);
void RingBufferDestroy(RingBuffer *buffer);

/* 1 when stored; 0 when the buffer is full (nothing is overwritten). */
int RingBufferPush(RingBuffer *buffer, int value);
/* 1 and the oldest value in *value; 0 when the buffer is empty. */
int RingBufferPop(RingBuffer *buffer, int *value);

unsigned RingBufferCount(const RingBuffer *buffer);
unsigned RingBufferCapacity(const RingBuffer *buffer);

#endif
