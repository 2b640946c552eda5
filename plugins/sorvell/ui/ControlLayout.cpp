#include "ControlLayout.h"

#include "SorvellProcessor.h"
#include "ValueText.h"

namespace quendra::plugin::ui
{

namespace
{

using quendra::sorvell::parameter_id;

constexpr std::size_t id(parameter_id p)
{
    return static_cast<std::size_t>(p);
}

} // namespace

ControlLayout::ControlLayout()
    : mGroups{
          {"PITCH",
           3.0,
           static_cast<int>(kPitchSourceIndex),
           {id(parameter_id::frequency), id(parameter_id::shift), id(parameter_id::stretch)},
           {}},
          {"BODY",
           4.0,
           static_cast<int>(kFreezeIndex),
           {id(parameter_id::decay), id(parameter_id::hf_damp), id(parameter_id::lf_damp),
            id(parameter_id::harmonics)},
           {}},
          {"UNISON", 2.0, -1, {id(parameter_id::voices), id(parameter_id::unison)}, {}},
          {"MODULATION",
           3.2,
           static_cast<int>(id(parameter_id::mod_type)),
           {id(parameter_id::mod_rate), id(parameter_id::pitch_mod)},
           {}},
          {"OUTPUT",
           2.0,
           static_cast<int>(kBypassIndex),
           {id(parameter_id::mix), id(parameter_id::gain)},
           {}},
      }
{
}

void ControlLayout::layOut(double width, double height)
{
    mDisplayBox = {kMargin, kHeaderHeight, width - 2.0 * kMargin,
                   height - kHeaderHeight - kPanelHeight - 2.0 * kMargin};
    const double panelTop = height - kPanelHeight - kMargin;
    double units = 0.0;
    for (const Group& group : mGroups)
    {
        units += group.weight;
    }
    const double gap = 10.0;
    const double unit =
        (width - 2.0 * kMargin - gap * static_cast<double>(mGroups.size() - 1)) / units;
    mControls.clear();
    double x = kMargin;
    for (Group& group : mGroups)
    {
        const double w = unit * group.weight;
        const double cell = w / static_cast<double>(group.knobs.size());
        group.box = {x, panelTop, w, kPanelHeight};
        if (group.selector >= 0)
        {
            const auto index = static_cast<std::size_t>(group.selector);
            const bool toggle = index == kBypassIndex || index == kFreezeIndex;
            const double selectorWidth = toggle ? 92.0 : w - 24.0;
            mControls.push_back(
                {index,
                 toggle ? ControlKind::toggle : ControlKind::selector,
                 {x + w - 12.0 - selectorWidth, panelTop + 34.0, selectorWidth, 22.0}});
        }
        for (std::size_t k = 0; k < group.knobs.size(); ++k)
        {
            mControls.push_back(
                {group.knobs[k],
                 ControlKind::knob,
                 {x + cell * static_cast<double>(k), panelTop + 62.0, cell, kPanelHeight - 66.0}});
        }
        x += w + gap;
    }
}

const Control* ControlLayout::controlAt(double x, double y) const noexcept
{
    for (const Control& control : mControls)
    {
        if (control.box.contains(x, y))
        {
            return &control;
        }
    }
    return nullptr;
}

std::size_t optionCount(std::size_t index)
{
    if (index == kPitchSourceIndex)
    {
        return kPitchSourceNames.size();
    }
    return quendra::sorvell::parameters()[index].value_names.size();
}

std::string optionName(std::size_t index, std::size_t option)
{
    return valueText(index, static_cast<double>(option));
}

std::vector<double> segmentEdges(const Control& control)
{
    const std::size_t options = optionCount(control.index);
    std::vector<double> edges{0.0};
    for (std::size_t o = 0; o < options; ++o)
    {
        edges.push_back(edges.back() + 3.0 +
                        static_cast<double>(optionName(control.index, o).size()));
    }
    for (double& edge : edges)
    {
        edge = control.box.x + control.box.w * edge / edges.back();
    }
    return edges;
}

} // namespace quendra::plugin::ui
