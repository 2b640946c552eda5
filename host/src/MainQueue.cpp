// MainQueue.cpp - the main thread and its queue: deferred calls and queue elements, run when
// the host services the queue.
#include "HostState.h"

using namespace tessel::host;

namespace tessel::host
{

void dropMainQueueItemsFor(void* object)
{
    auto& state = hostState();
    const std::lock_guard lock(state.queueMutex);
    std::erase_if(state.mainQueue,
                  [object](const MainQueueItem& item)
                  {
                      if (item.qelem && item.qelem->object == object)
                      {
                          item.qelem->pending = false;
                          return true;
                      }
                      return !item.qelem && item.object == object;
                  });
}

std::size_t runMainQueue()
{
    auto& state = hostState();
    std::size_t count = 0;
    for (;;)
    {
        MainQueueItem item;
        tessel_qelem_method qelemMethod = nullptr;
        {
            const std::lock_guard lock(state.queueMutex);
            if (state.mainQueue.empty())
                break;
            item = std::move(state.mainQueue.front());
            state.mainQueue.pop_front();
            if (item.qelem)
            {
                // Copy what the call needs: the element may be freed by its own callback.
                item.qelem->pending = false;
                item.object = item.qelem->object;
                qelemMethod = item.qelem->method;
            }
        }
        if (qelemMethod)
        {
            qelemMethod(item.object);
        }
        else
        {
            item.method(item.object, item.selector, static_cast<long>(item.args.size()),
                        item.args.data());
        }
        ++count;
    }
    return count;
}

} // namespace tessel::host

extern "C" int systhread_ismainthread(void)
{
    return std::this_thread::get_id() == hostState().mainThread.load() ? 1 : 0;
}

extern "C" tessel_err defer(void* x, tessel_defer_method fn, tessel_symbol* selector, long argc,
                            const tessel_atom* argv)
{
    if (!fn || argc < 0 || (argc > 0 && !argv))
        return TESSEL_ERR_INVALID_PTR;
    MainQueueItem item;
    item.object = x;
    item.method = fn;
    item.selector = selector;
    item.args.assign(argv, argv + argc);
    auto& state = hostState();
    const std::lock_guard lock(state.queueMutex);
    state.mainQueue.push_back(std::move(item));
    return TESSEL_ERR_NONE;
}

extern "C" tessel_qelem* qelem_new(void* x, tessel_qelem_method fn)
{
    if (!fn)
        return nullptr;
    auto* q = new tessel_qelem;
    q->object = x;
    q->method = fn;
    return q;
}

extern "C" void qelem_set(tessel_qelem* q)
{
    if (!q)
        return;
    auto& state = hostState();
    const std::lock_guard lock(state.queueMutex);
    if (q->pending)
        return;
    q->pending = true;
    MainQueueItem item;
    item.qelem = q;
    state.mainQueue.push_back(std::move(item));
}

extern "C" void qelem_free(tessel_qelem* q)
{
    if (!q)
        return;
    auto& state = hostState();
    {
        const std::lock_guard lock(state.queueMutex);
        std::erase_if(state.mainQueue, [q](const MainQueueItem& item) { return item.qelem == q; });
    }
    delete q;
}
