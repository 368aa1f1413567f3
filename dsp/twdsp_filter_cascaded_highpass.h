#pragma once

#include "dsp/twdsp_filter_cascaded.h"
#include "dsp/twdsp_lanes.h"

// Sixth-order Butterworth high-pass (36 dB per octave below the corner), in front of the
// envelope detector.
class twdsp_filter_cascaded_highpass final : public twdsp_filter_cascaded {
public:
    twdsp_filter_cascaded_highpass();
    ~twdsp_filter_cascaded_highpass() override;

    float process(float x) override {
        double y = x;
        for (int i = 0; i < section_count; ++i)
            y = process_stage(sections_[i], y);
        return static_cast<float>(y);
    }
    void set_frequency(float hz) override;

    double process_stage(twdsp_filter_cascaded_section& s, double x) override {
        const double y = 2.0 * (s.alpha * (x - 2.0 * s.x1 + s.x2) + s.gamma * s.y1 - s.beta * s.y2);
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        return y;
    }

    // Two of these filters as the lanes of one (a stereo detector): the constructor takes both
    // filters' coefficients and memories, process steps both with the same arithmetic as
    // process_stage, store hands the memories back to the first count filters. A section's
    // input memories are the previous section's output memories, so the lanes keep them once.
    // The lanes hold the coefficients doubled: 2 × (a + b − c) and 2a + 2b − 2c are the same
    // number, since doubling is exact.
    class pair {
    public:
        struct memories {
            twdsp_d2 x1, x2;
            twdsp_d2 y1[section_count], y2[section_count];
        };

        pair(twdsp_filter_cascaded_highpass& first, twdsp_filter_cascaded_highpass& second);
        twdsp_d2 process(twdsp_d2 x) { return process(x, m_); }
        twdsp_d2 process(twdsp_d2 x, memories& m) const {
            twdsp_d2 x1 = m.x1;
            twdsp_d2 x2 = m.x2;
            m.x2 = m.x1;
            m.x1 = x;
            for (int i = 0; i < section_count; ++i) {
                const coefficients& c = sections_[i];
                const twdsp_d2 y =
                    c.alpha * (x - 2.0 * x1 + x2) + c.gamma * m.y1[i] - c.beta * m.y2[i];
                x1 = m.y1[i];
                x2 = m.y2[i];
                m.y2[i] = m.y1[i];
                m.y1[i] = y;
                x = y;
            }
            return x;
        }
        const memories& memory() const { return m_; }
        void set_memory(const memories& m) { m_ = m; }
        void store(int count = 2);
        // Takes the filters' coefficients again (after they changed), keeping the memories.
        void load_coefficients();

    private:
        struct coefficients {
            twdsp_d2 alpha, beta, gamma;
        };
        twdsp_filter_cascaded_highpass* filters_[2];
        coefficients sections_[section_count];
        memories m_;
    };
};

// The pair's setup and hand-back, inline so that a caller keeps the lanes in registers and
// short blocks pay no calls.
inline twdsp_filter_cascaded_highpass::pair::pair(twdsp_filter_cascaded_highpass& first,
                                                  twdsp_filter_cascaded_highpass& second)
    : filters_{&first, &second} {
    m_.x1 = twdsp_d2{first.sections_[0].x1, second.sections_[0].x1};
    m_.x2 = twdsp_d2{first.sections_[0].x2, second.sections_[0].x2};
    for (int i = 0; i < section_count; ++i) {
        m_.y1[i] = twdsp_d2{first.sections_[i].y1, second.sections_[i].y1};
        m_.y2[i] = twdsp_d2{first.sections_[i].y2, second.sections_[i].y2};
    }
    load_coefficients();
}

inline void twdsp_filter_cascaded_highpass::pair::load_coefficients() {
    for (int i = 0; i < section_count; ++i) {
        const twdsp_filter_cascaded_section& a = filters_[0]->sections_[i];
        const twdsp_filter_cascaded_section& b = filters_[1]->sections_[i];
        sections_[i].alpha = 2.0 * twdsp_d2{a.alpha, b.alpha};
        sections_[i].beta = 2.0 * twdsp_d2{a.beta, b.beta};
        sections_[i].gamma = 2.0 * twdsp_d2{a.gamma, b.gamma};
    }
}

inline void twdsp_filter_cascaded_highpass::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        twdsp_filter_cascaded_section* s = filters_[lane]->sections_.get();
        s[0].x1 = m_.x1[lane];
        s[0].x2 = m_.x2[lane];
        for (int i = 0; i < section_count; ++i) {
            s[i].y1 = m_.y1[i][lane];
            s[i].y2 = m_.y2[i][lane];
            if (i + 1 < section_count) {
                s[i + 1].x1 = s[i].y1;
                s[i + 1].x2 = s[i].y2;
            }
        }
    }
}
