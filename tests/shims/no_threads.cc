// Preloaded (LD_PRELOAD) into a run by the thread-limit test: no thread can
// start, as under a tight limit on processes. Every call says the system
// is out of the resource, as it does when the limit is reached.
#include <pthread.h>

#include <cerrno>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*,
                              void* (*)(void*), void*) {
  return EAGAIN;
}
