// MinGW's pthreads create a mutex's lock lazily, with an allocation, on its first lock. The
// plugin framework's CLAP process call try-locks a mutex it shares with the window, so the
// first lock, and with it an allocation, would fall on the audio thread. The module is linked
// with --wrap=pthread_mutex_init: every mutex is locked once where it is made (the thread that
// creates the plugin), so that no later lock allocates.
#include <pthread.h>

extern "C"
{
    int __real_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attributes);

    int __wrap_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attributes)
    {
        const int result = __real_pthread_mutex_init(mutex, attributes);
        if (result == 0 && pthread_mutex_lock(mutex) == 0)
        {
            pthread_mutex_unlock(mutex);
        }
        return result;
    }
}
