// The VST3 host: loads the module inside the bundle, asks its factory for the component and
// drives it through IComponent, IAudioProcessor and IEditController. Parameter changes reach
// the processor as IParameterChanges queues inside process(), notes as IEventList events
// and pitch bend through the parameter that IMidiMapping assigns to it, as hosts do.
#include "PluginInstance.h"
#include "SymbolTable.h"
#include "Vst3HostApplication.h"
#include "Vst3Module.h"

#include "travesty/audio_processor.h"
#include "travesty/component.h"
#include "travesty/edit_controller.h"
#include "travesty/factory.h"
#include "travesty/host.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>

namespace sorvell::conformance
{
namespace
{

constexpr int kMaxQueues = 64;
constexpr int kMaxPoints = 64;
constexpr int kMaxEvents = 256;
static_assert(kMaxQueues >= static_cast<int>(kEventsPerCall) &&
              kMaxPoints >= static_cast<int>(kEventsPerCall) &&
              kMaxEvents >= static_cast<int>(kEventsPerCall));

uint32_t V3_API noRef(void*)
{
    return 1;
}

// Every host object lives as long as the instance; reference counts are not needed.
v3_result V3_API queryOnly(void* self, const v3_tuid iid, void** object, const v3_tuid own)
{
    if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, own))
    {
        *object = self;
        return V3_OK;
    }
    *object = nullptr;
    return V3_NO_INTERFACE;
}

struct ComponentHandler
{
    struct Table
    {
        v3_funknown unknown;
        v3_component_handler handler;
    };
    const Table* table;
    int restarts = 0;

    static const Table* vtable()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return queryOnly(self, iid, object, v3_component_handler_iid); },
                              noRef, noRef},
                             {[](void*, v3_param_id) { return static_cast<v3_result>(V3_OK); },
                              [](void*, v3_param_id, double)
                              { return static_cast<v3_result>(V3_OK); },
                              [](void*, v3_param_id) { return static_cast<v3_result>(V3_OK); },
                              [](void* self, int32_t)
                              {
                                  ++static_cast<ComponentHandler*>(self)->restarts;
                                  return static_cast<v3_result>(V3_OK);
                              }}};
        return &t;
    }
    ComponentHandler() : table(vtable()) {}
};

struct MemoryStream
{
    struct Table
    {
        v3_funknown unknown;
        v3_bstream stream;
    };
    const Table* table;
    std::vector<uint8_t> bytes;
    size_t position = 0;

    static const Table* vtable()
    {
        static const Table t{
            {[](void* self, const v3_tuid iid, void** object)
             { return queryOnly(self, iid, object, v3_bstream_iid); },
             noRef, noRef},
            {[](void* self, void* buffer, int32_t count, int32_t* done)
             {
                 auto* s = static_cast<MemoryStream*>(self);
                 const size_t n = std::min(static_cast<size_t>(std::max(count, 0)),
                                           s->bytes.size() - s->position);
                 std::copy_n(s->bytes.data() + s->position, n, static_cast<uint8_t*>(buffer));
                 s->position += n;
                 if (done != nullptr)
                 {
                     *done = static_cast<int32_t>(n);
                 }
                 return static_cast<v3_result>(V3_OK);
             },
             [](void* self, void* buffer, int32_t count, int32_t* done)
             {
                 auto* s = static_cast<MemoryStream*>(self);
                 const auto* data = static_cast<const uint8_t*>(buffer);
                 const size_t n = static_cast<size_t>(std::max(count, 0));
                 s->bytes.resize(std::max(s->bytes.size(), s->position + n));
                 std::copy_n(data, n, s->bytes.data() + s->position);
                 s->position += n;
                 if (done != nullptr)
                 {
                     *done = count;
                 }
                 return static_cast<v3_result>(V3_OK);
             },
             [](void* self, int64_t offset, int32_t mode, int64_t* result)
             {
                 auto* s = static_cast<MemoryStream*>(self);
                 const int64_t base = mode == V3_SEEK_SET   ? 0
                                      : mode == V3_SEEK_CUR ? static_cast<int64_t>(s->position)
                                                            : static_cast<int64_t>(s->bytes.size());
                 const int64_t target =
                     std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(s->bytes.size()));
                 s->position = static_cast<size_t>(target);
                 if (result != nullptr)
                 {
                     *result = target;
                 }
                 return static_cast<v3_result>(V3_OK);
             },
             [](void* self, int64_t* position)
             {
                 *position = static_cast<int64_t>(static_cast<MemoryStream*>(self)->position);
                 return static_cast<v3_result>(V3_OK);
             }}};
        return &t;
    }
    MemoryStream() : table(vtable()) {}
    v3_bstream** handle() { return reinterpret_cast<v3_bstream**>(this); }
};

struct ParameterQueue
{
    struct Table
    {
        v3_funknown unknown;
        v3_param_value_queue queue;
    };
    const Table* table;
    v3_param_id id = 0;
    int count = 0;
    std::array<std::pair<int32_t, double>, kMaxPoints> points{};

    static const Table* vtable()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return queryOnly(self, iid, object, v3_param_value_queue_iid); },
                              noRef, noRef},
                             {[](void* self) { return static_cast<ParameterQueue*>(self)->id; },
                              [](void* self) { return static_cast<ParameterQueue*>(self)->count; },
                              [](void* self, int32_t index, int32_t* offset, double* value)
                              {
                                  auto* q = static_cast<ParameterQueue*>(self);
                                  if (index < 0 || index >= q->count)
                                  {
                                      return static_cast<v3_result>(V3_INVALID_ARG);
                                  }
                                  *offset = q->points[static_cast<size_t>(index)].first;
                                  *value = q->points[static_cast<size_t>(index)].second;
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, int32_t offset, double value, int32_t* index)
                              {
                                  auto* q = static_cast<ParameterQueue*>(self);
                                  if (q->count == kMaxPoints)
                                  {
                                      return static_cast<v3_result>(V3_NOMEM);
                                  }
                                  q->points[static_cast<size_t>(q->count)] = {offset, value};
                                  if (index != nullptr)
                                  {
                                      *index = q->count;
                                  }
                                  ++q->count;
                                  return static_cast<v3_result>(V3_OK);
                              }}};
        return &t;
    }
    ParameterQueue() : table(vtable()) {}
};

struct ParameterChanges
{
    struct Table
    {
        v3_funknown unknown;
        v3_param_changes changes;
    };
    const Table* table;
    int count = 0;
    std::array<ParameterQueue, kMaxQueues> queues;

    static const Table* vtable()
    {
        static const Table t{
            {[](void* self, const v3_tuid iid, void** object)
             { return queryOnly(self, iid, object, v3_param_changes_iid); },
             noRef, noRef},
            {[](void* self) { return static_cast<ParameterChanges*>(self)->count; },
             [](void* self, int32_t index)
             {
                 auto* c = static_cast<ParameterChanges*>(self);
                 return index >= 0 && index < c->count ? reinterpret_cast<v3_param_value_queue**>(
                                                             &c->queues[static_cast<size_t>(index)])
                                                       : nullptr;
             },
             [](void* self, v3_param_id* id, int32_t* index)
             { return static_cast<ParameterChanges*>(self)->add(*id, index); }}};
        return &t;
    }
    ParameterChanges() : table(vtable()) {}

    v3_param_value_queue** add(v3_param_id id, int32_t* index)
    {
        for (int i = 0; i < count; ++i)
        {
            if (queues[static_cast<size_t>(i)].id == id)
            {
                if (index != nullptr)
                {
                    *index = i;
                }
                return reinterpret_cast<v3_param_value_queue**>(&queues[static_cast<size_t>(i)]);
            }
        }
        if (count == kMaxQueues)
        {
            return nullptr;
        }
        ParameterQueue& queue = queues[static_cast<size_t>(count)];
        queue.id = id;
        queue.count = 0;
        if (index != nullptr)
        {
            *index = count;
        }
        ++count;
        return reinterpret_cast<v3_param_value_queue**>(&queue);
    }

    void addPoint(v3_param_id id, int32_t offset, double value)
    {
        v3_param_value_queue** queue = add(id, nullptr);
        auto* q = reinterpret_cast<ParameterQueue*>(queue);
        // One value per offset: a later change at the same frame replaces the earlier one.
        if (q != nullptr && q->count > 0 &&
            q->points[static_cast<size_t>(q->count - 1)].first == offset)
        {
            q->points[static_cast<size_t>(q->count - 1)].second = value;
        }
        else if (q != nullptr && q->count < kMaxPoints)
        {
            q->points[static_cast<size_t>(q->count++)] = {offset, value};
        }
        else
        {
            throw std::length_error("more changes than the VST3 host's lists hold for one call");
        }
    }

    v3_param_changes** handle() { return reinterpret_cast<v3_param_changes**>(this); }
};

struct EventList
{
    struct Table
    {
        v3_funknown unknown;
        v3_event_list list;
    };
    const Table* table;
    uint32_t count = 0;
    std::array<v3_event, kMaxEvents> events{};

    static const Table* vtable()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return queryOnly(self, iid, object, v3_event_list_iid); },
                              noRef, noRef},
                             {[](void* self) { return static_cast<EventList*>(self)->count; },
                              [](void* self, int32_t index, v3_event* event)
                              {
                                  auto* l = static_cast<EventList*>(self);
                                  if (index < 0 || static_cast<uint32_t>(index) >= l->count)
                                  {
                                      return static_cast<v3_result>(V3_INVALID_ARG);
                                  }
                                  *event = l->events[static_cast<size_t>(index)];
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, v3_event* event)
                              {
                                  auto* l = static_cast<EventList*>(self);
                                  if (l->count == kMaxEvents)
                                  {
                                      return static_cast<v3_result>(V3_NOMEM);
                                  }
                                  l->events[l->count++] = *event;
                                  return static_cast<v3_result>(V3_OK);
                              }}};
        return &t;
    }
    EventList() : table(vtable()) {}
    v3_event_list** handle() { return reinterpret_cast<v3_event_list**>(this); }
};

std::string utf8(const int16_t* text)
{
    std::string out;
    for (int i = 0; i < 128 && text[i] != 0; ++i)
    {
        out += static_cast<char>(text[i] < 128 ? text[i] : '?');
    }
    return out;
}

// The modules stay loaded for the whole run: a factory is shared by every instance. At exit
// the host lets go of the factories and tells the modules, as a host does when it unloads one.
std::map<std::string, Vst3Module>& modules()
{
    static std::map<std::string, Vst3Module> loaded;
    return loaded;
}

const Vst3Module& loadModule(const std::string& bundlePath)
{
    return modules().try_emplace(bundlePath, bundlePath).first->second;
}

class Vst3Instance final : public PluginInstance
{
public:
    Vst3Instance(const std::string& bundlePath, double sampleRate, uint32_t maxBlockSize)
    {
        const Vst3Module& module = loadModule(bundlePath);
        void* object = nullptr;
        if (v3_cpp_obj(module.factory())
                    ->create_instance(module.factory(), module.audioClass(), v3_component_iid,
                                      &object) != V3_OK ||
            object == nullptr)
        {
            throw std::runtime_error("the VST3 factory did not create the component");
        }
        mComponent = static_cast<v3_component**>(object);
        v3_funknown** context = mHost.context();
        if (v3_cpp_obj_initialize(mComponent, context) != V3_OK)
        {
            throw std::runtime_error("the VST3 component did not initialise");
        }
        if (v3_cpp_obj_query_interface(mComponent, v3_audio_processor_iid, &mProcessor) != V3_OK ||
            mProcessor == nullptr)
        {
            throw std::runtime_error("the VST3 component has no audio processor");
        }
        if (v3_cpp_obj_query_interface(mComponent, v3_edit_controller_iid, &mController) != V3_OK ||
            mController == nullptr)
        {
            createSeparateController(module, context);
        }
        v3_cpp_obj(mController)
            ->set_component_handler(mController,
                                    reinterpret_cast<v3_component_handler**>(&mHandler));
        v3_midi_mapping** mapping = nullptr;
        if (v3_cpp_obj_query_interface(mController, v3_midi_mapping_iid, &mapping) == V3_OK &&
            mapping != nullptr)
        {
            v3_param_id id = 0;
            if (v3_cpp_obj(mapping)->get_midi_controller_assignment(mapping, 0, 0, 129, &id) ==
                V3_TRUE)
            {
                mPitchBendId = static_cast<int64_t>(id);
            }
            v3_cpp_obj_unref(mapping);
        }
        mHasEventInput = v3_cpp_obj(mComponent)->get_bus_count(mComponent, V3_EVENT, V3_INPUT) > 0;
        describeParameters();

        v3_speaker_arrangement stereo = V3_SPEAKER_L | V3_SPEAKER_R;
        v3_cpp_obj(mProcessor)->set_bus_arrangements(mProcessor, &stereo, 1, &stereo, 1);
        v3_cpp_obj(mComponent)->activate_bus(mComponent, V3_AUDIO, V3_INPUT, 0, 1);
        v3_cpp_obj(mComponent)->activate_bus(mComponent, V3_AUDIO, V3_OUTPUT, 0, 1);
        if (mHasEventInput)
        {
            v3_cpp_obj(mComponent)->activate_bus(mComponent, V3_EVENT, V3_INPUT, 0, 1);
        }
        if (!activate(sampleRate, maxBlockSize))
        {
            throw std::runtime_error("the VST3 refused setup_processing");
        }
    }

    ~Vst3Instance() override
    {
        deactivate();
        v3_cpp_obj_unref(mProcessor);
        if (mSeparateController)
        {
            v3_cpp_obj_terminate(mController);
        }
        v3_cpp_obj_unref(mController);
        v3_cpp_obj_terminate(mComponent);
        v3_cpp_obj_unref(mComponent);
    }

    Format format() const override { return Format::Vst3; }
    const std::vector<ParameterInfo>& parameters() const override { return mParameters; }
    const std::vector<MeterInfo>& meters() const override { return mMeters; }

    bool activate(double sampleRate, uint32_t maxBlockSize) override
    {
        deactivate();
        mRate = sampleRate;
        v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, static_cast<int32_t>(maxBlockSize),
                               sampleRate};
        if (v3_cpp_obj(mProcessor)->setup_processing(mProcessor, &setup) != V3_OK)
        {
            return false;
        }
        v3_cpp_obj(mComponent)->set_active(mComponent, 1);
        v3_cpp_obj(mProcessor)->set_processing(mProcessor, 1);
        mActive = true;
        return true;
    }

    void deactivate() override
    {
        if (mActive)
        {
            v3_cpp_obj(mProcessor)->set_processing(mProcessor, 0);
            v3_cpp_obj(mComponent)->set_active(mComponent, 0);
            mActive = false;
        }
    }

    void setParameter(uint32_t index, double value, uint32_t frame) override
    {
        mChanges.addPoint(mIds[index], static_cast<int32_t>(frame), normalise(index, value));
    }

    void sendMidi(const MidiMessage& message) override
    {
        const uint8_t status = message.bytes[0] & 0xF0;
        const int16_t channel = message.bytes[0] & 0x0F;
        if (status == 0xE0 && mPitchBendId >= 0)
        {
            const int bend = message.bytes[1] | (message.bytes[2] << 7);
            mChanges.addPoint(static_cast<v3_param_id>(mPitchBendId + channel * 130),
                              static_cast<int32_t>(message.frame), bend / 16384.0);
            return;
        }
        if (status != 0x90 && status != 0x80)
        {
            return;
        }
        if (mEvents.count == kMaxEvents)
        {
            throw std::length_error("more notes than the VST3 host's list holds for one call");
        }
        v3_event event{};
        event.sample_offset = static_cast<int32_t>(message.frame);
        const bool on = status == 0x90 && message.bytes[2] > 0;
        event.type = on ? V3_EVENT_NOTE_ON : V3_EVENT_NOTE_OFF;
        if (on)
        {
            event.note_on = {channel, message.bytes[1], 0.0f, message.bytes[2] / 127.0f, 0, -1};
        }
        else
        {
            event.note_off = {channel, message.bytes[1], message.bytes[2] / 127.0f, -1, 0.0f};
        }
        mEvents.events[mEvents.count++] = event;
    }

    void process(const float* const* inputs, float* const* outputs, uint32_t frames) override
    {
        mInputPointers = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
        mOutputPointers = {outputs[0], outputs[1]};
        v3_audio_bus_buffers in{};
        in.num_channels = 2;
        in.channel_buffers_32 = mInputPointers.data();
        v3_audio_bus_buffers out{};
        out.num_channels = 2;
        out.channel_buffers_32 = mOutputPointers.data();
        v3_process_context context{};
        context.sample_rate = mRate;
        context.continuous_time_in_samples = mPosition;
        context.state = V3_PROCESS_CTX_CONT_TIME_VALID;
        mOutputChanges.count = 0;
        v3_process_data data{};
        data.process_mode = V3_REALTIME;
        data.symbolic_sample_size = V3_SAMPLE_32;
        data.nframes = static_cast<int32_t>(frames);
        data.num_input_buses = 1;
        data.num_output_buses = 1;
        data.inputs = &in;
        data.outputs = &out;
        data.input_params = mChanges.handle();
        data.output_params = mOutputChanges.handle();
        data.input_events = mHasEventInput ? mEvents.handle() : nullptr;
        data.ctx = &context;
        v3_cpp_obj(mProcessor)->process(mProcessor, &data);
        mPosition += frames;
        mChanges.count = 0;
        mEvents.count = 0;
        takeMeterValues();
    }

    std::optional<double> meterValue(uint32_t index) override { return mMeterValues[index]; }

    double parameterValue(uint32_t index) override
    {
        const double normalised =
            v3_cpp_obj(mController)->get_parameter_normalised(mController, mIds[index]);
        return v3_cpp_obj(mController)
            ->normalised_parameter_to_plain(mController, mIds[index], normalised);
    }

    std::string valueToText(uint32_t index, double value) override
    {
        v3_str_128 text{};
        v3_cpp_obj(mController)
            ->get_parameter_string_for_value(mController, mIds[index], normalise(index, value),
                                             text);
        return utf8(text);
    }

    std::optional<double> textToValue(uint32_t index, const std::string& text) override
    {
        v3_str_128 wide{};
        for (size_t i = 0; i < text.size() && i < 127; ++i)
        {
            wide[i] = static_cast<int16_t>(static_cast<unsigned char>(text[i]));
        }
        double normalised = 0.0;
        if (v3_cpp_obj(mController)
                ->get_parameter_value_for_string(mController, mIds[index], wide, &normalised) !=
            V3_OK)
        {
            return std::nullopt;
        }
        return v3_cpp_obj(mController)
            ->normalised_parameter_to_plain(mController, mIds[index], normalised);
    }

    void touchFromMainThread(uint32_t index) override
    {
        const double normalised =
            v3_cpp_obj(mController)->get_parameter_normalised(mController, mIds[index]);
        v3_str_128 text{};
        v3_cpp_obj(mController)
            ->get_parameter_string_for_value(mController, mIds[index], normalised, text);
    }

    uint32_t latency() override { return v3_cpp_obj(mProcessor)->get_latency_samples(mProcessor); }
    bool hasMidiInput() const override { return mHasEventInput; }

    std::optional<std::vector<uint8_t>> saveState() override
    {
        MemoryStream stream;
        if (v3_cpp_obj(mComponent)->get_state(mComponent, stream.handle()) != V3_OK)
        {
            return std::nullopt;
        }
        return stream.bytes;
    }

    bool loadState(const std::vector<uint8_t>& state) override
    {
        MemoryStream stream;
        stream.bytes = state;
        if (v3_cpp_obj(mComponent)->set_state(mComponent, stream.handle()) != V3_OK)
        {
            return false;
        }
        // A host hands the same state to the controller so that both agree.
        stream.position = 0;
        v3_cpp_obj(mController)->set_component_state(mController, stream.handle());
        return true;
    }

private:
    void createSeparateController(const Vst3Module& module, v3_funknown** context)
    {
        v3_tuid controllerId{};
        void* object = nullptr;
        if (v3_cpp_obj(mComponent)->get_controller_class_id(mComponent, controllerId) != V3_OK ||
            v3_cpp_obj(module.factory())
                    ->create_instance(module.factory(), controllerId, v3_edit_controller_iid,
                                      &object) != V3_OK ||
            object == nullptr)
        {
            throw std::runtime_error("the VST3 offers no edit controller");
        }
        mController = static_cast<v3_edit_controller**>(object);
        v3_cpp_obj_initialize(mController, context);
        mSeparateController = true;
    }

    void describeParameters()
    {
        const std::vector<std::string>& symbols = declaredSymbols();
        for (int32_t i = 0, n = v3_cpp_obj(mController)->get_parameter_count(mController); i < n;
             ++i)
        {
            v3_param_info info{};
            v3_cpp_obj(mController)->get_parameter_info(mController, i, &info);
            const v3_param_id id = info.param_id;
            auto plain = [&](double normalised) {
                return v3_cpp_obj(mController)
                    ->normalised_parameter_to_plain(mController, id, normalised);
            };
            if ((info.flags & V3_PARAM_IS_HIDDEN) != 0)
            {
                continue;
            }
            if ((info.flags & V3_PARAM_READ_ONLY) != 0)
            {
                // VST3 reports these as output parameter changes from process.
                const std::vector<std::string>& meters = declaredMeters();
                MeterInfo meter;
                meter.symbol =
                    mMeters.size() < meters.size() ? meters[mMeters.size()] : std::to_string(id);
                meter.minimum = plain(0.0);
                meter.maximum = plain(1.0);
                mMeterIds.push_back(id);
                mMeterValues.push_back(std::nullopt);
                mMeters.push_back(std::move(meter));
                continue;
            }
            ParameterInfo parameter;
            parameter.name = utf8(info.title);
            // VST3 carries no symbol: DPF keeps the plugin's parameter order, which the
            // declared table names.
            parameter.symbol = mParameters.size() < symbols.size() ? symbols[mParameters.size()]
                                                                   : std::to_string(id);
            parameter.bypass = (info.flags & V3_PARAM_IS_BYPASS) != 0;
            if (parameter.bypass)
            {
                parameter.symbol = "bypass";
            }
            parameter.minimum = plain(0.0);
            parameter.maximum = plain(1.0);
            parameter.defaultValue = plain(info.default_normalised_value);
            parameter.integer = info.step_count > 0;
            if ((info.flags & V3_PARAM_IS_LIST) != 0 && info.step_count > 0)
            {
                for (int32_t step = 0; step <= info.step_count; ++step)
                {
                    v3_str_128 text{};
                    v3_cpp_obj(mController)
                        ->get_parameter_string_for_value(
                            mController, id, static_cast<double>(step) / info.step_count, text);
                    parameter.labels.push_back(utf8(text));
                }
            }
            mIds.push_back(id);
            mParameters.push_back(std::move(parameter));
        }
    }

    // The newest output change of each meter; the framework normalises outputs linearly.
    void takeMeterValues()
    {
        for (int q = 0; q < mOutputChanges.count; ++q)
        {
            const ParameterQueue& queue = mOutputChanges.queues[static_cast<size_t>(q)];
            const auto meter = std::find(mMeterIds.begin(), mMeterIds.end(), queue.id);
            if (meter == mMeterIds.end() || queue.count == 0)
            {
                continue;
            }
            const auto index = static_cast<size_t>(meter - mMeterIds.begin());
            const double normalised = queue.points[static_cast<size_t>(queue.count - 1)].second;
            mMeterValues[index] = mMeters[index].minimum +
                                  normalised * (mMeters[index].maximum - mMeters[index].minimum);
        }
    }

    // Normalised value for a plain one; values outside the range map outside [0, 1], as a
    // careless host may send them.
    double normalise(uint32_t index, double value)
    {
        const ParameterInfo& info = mParameters[index];
        if (value < info.minimum)
        {
            return -0.25;
        }
        if (value > info.maximum)
        {
            return 1.25;
        }
        return v3_cpp_obj(mController)
            ->plain_parameter_to_normalised(mController, mIds[index], value);
    }

    Vst3HostApplication mHost{"sorvell-conformance"};
    ComponentHandler mHandler;
    v3_component** mComponent = nullptr;
    v3_audio_processor** mProcessor = nullptr;
    v3_edit_controller** mController = nullptr;
    bool mSeparateController = false;
    bool mHasEventInput = false;
    bool mActive = false;
    double mRate = 0.0;
    int64_t mPosition = 0;
    int64_t mPitchBendId = -1;
    std::vector<v3_param_id> mIds;
    std::vector<ParameterInfo> mParameters;
    std::vector<v3_param_id> mMeterIds;
    std::vector<std::optional<double>> mMeterValues; // plain
    std::vector<MeterInfo> mMeters;
    ParameterChanges mChanges;
    ParameterChanges mOutputChanges;
    EventList mEvents;
    std::array<float*, 2> mInputPointers{};
    std::array<float*, 2> mOutputPointers{};
};

} // namespace

void unloadVst3Modules()
{
    modules().clear();
}

std::unique_ptr<PluginInstance> instantiateVst3(const std::string& bundlePath, double sampleRate,
                                                uint32_t maxBlockSize)
{
    return std::make_unique<Vst3Instance>(bundlePath, sampleRate, maxBlockSize);
}

} // namespace sorvell::conformance
