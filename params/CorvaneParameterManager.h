#pragma once

#include "params/tw_paramManager.h"

// The plug-in's parameter manager: defines the 29 parameters of CorvaneParameters.h at
// construction and adds the product's display rules (signed percentages, 0..100 amounts) and a
// synchronised LFO Rate that rounds to the nearest tempo division.
class CorvaneParameterManager : public tw_paramManager {
public:
    CorvaneParameterManager();
    ~CorvaneParameterManager() override;

    void getDisplay(int index, char* text, int length) const override;
    void formatValue(int index, char* text, float x, int length) const override;
    float toReal(int index, float n) const override;
};
