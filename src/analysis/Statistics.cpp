#include "analysis/Statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Variances below this share of the squared scale count as none: totals that differ only by the
// rounding of sums are equal.
constexpr double kNoSpread = 1e-12;

bool Varies(double variance, double scale) {
    return variance > kNoSpread * std::max(1.0, scale * scale);
}

double Mean(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

// Population variance (divided by n).
double Variance(const std::vector<double>& values, double mean) {
    double sum = 0;
    for (double v : values)
        sum += (v - mean) * (v - mean);
    return sum / double(values.size());
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The share of totals at or above share * fullMarks (compared with a little slack, so that 54 of
// 90 counts as 60 % although 0.6 * 90 is not exact in binary).
double ShareAtLeast(const std::vector<double>& totals, double share, double fullMarks) {
    const double bar = share * fullMarks - 1e-9 * fullMarks;
    const auto count =
        std::count_if(totals.begin(), totals.end(), [bar](double t) { return t >= bar; });
    return double(count) / double(totals.size());
}

// Pearson correlation of x and y; none when either does not vary.
std::optional<double> Correlation(const std::vector<double>& x, const std::vector<double>& y) {
    const double mx = Mean(x), my = Mean(y);
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    const double n = double(x.size());
    if (!Varies(sxx / n, std::max(std::abs(mx), 1.0)) ||
        !Varies(syy / n, std::max(std::abs(my), 1.0)))
        return std::nullopt;
    return std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
}

void CountChoice(QuestionStatistics& item, const QString& answer) {
    if (answer.isEmpty()) {
        ++item.blank;
        return;
    }
    ++item.answered;
    switch (RecordSection(item.question.section)) {
        case RecordSection::SingleChoice:
        case RecordSection::MultiChoice:
            for (int letter = 0; letter < 4; ++letter)
                if (answer.contains(QChar(u'A' + letter))) ++item.choices[letter];
            break;
        case RecordSection::TrueFalse:
            if (answer == QStringLiteral("对")) ++item.choices[0];
            if (answer == QStringLiteral("错")) ++item.choices[1];
            break;
        case RecordSection::Subjective:
            break;
    }
}

// Each candidate's share in the group of the `group` best (upper) or weakest totals. Totals tied
// at the group's boundary share the places left there equally: with 2 places left and 3 tied,
// each of the 3 counts as 2/3 of a candidate. The shares add up to `group`.
std::vector<double> GroupShares(const std::vector<double>& totals, size_t group, bool upper,
                                double scale) {
    std::vector<double> shares(totals.size(), 0.0);
    if (group == 0 || totals.empty()) return shares;
    std::vector<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    if (upper) std::reverse(sorted.begin(), sorted.end());
    const double boundary = sorted[std::min(group, sorted.size()) - 1];
    const double slack = 1e-9 * std::max(1.0, scale);
    const auto inside = [&](double t) {
        return upper ? t > boundary + slack : t < boundary - slack;
    };
    size_t before = 0, tied = 0;
    for (double t : totals) {
        if (inside(t))
            ++before;
        else if (std::abs(t - boundary) <= slack)
            ++tied;
    }
    const double share = double(group - before) / double(tied);
    for (size_t c = 0; c < totals.size(); ++c)
        shares[c] = inside(totals[c]) ? 1.0 : std::abs(totals[c] - boundary) <= slack ? share : 0.0;
    return shares;
}

ScoreSummary Summarize(const std::vector<double>& totals, double fullMarks) {
    ScoreSummary s;
    s.candidates = int(totals.size());
    s.fullMarks = fullMarks;
    if (totals.empty()) return s;
    const double mean = Mean(totals);
    s.mean = mean;
    s.median = Median(totals);
    s.highest = *std::max_element(totals.begin(), totals.end());
    s.lowest = *std::min_element(totals.begin(), totals.end());
    // Totals that differ only in the last bits of their sums count as equal: no spread at all.
    const double variance = Variance(totals, mean);
    if (totals.size() >= 2)
        s.standardDeviation =
            Varies(variance, std::max(fullMarks, 1.0)) ? std::sqrt(variance) : 0.0;
    if (fullMarks > 0) {
        s.passRate = ShareAtLeast(totals, kPassShare, fullMarks);
        s.excellentRate = ShareAtLeast(totals, kExcellentShare, fullMarks);
    }
    return s;
}

}  // namespace

QString SectionName(int section) {
    static const QString names[4] = {QStringLiteral("单选"), QStringLiteral("多选"),
                                     QStringLiteral("判断"), QStringLiteral("主观")};
    return section >= 1 && section <= 4 ? names[section - 1] : QString::number(section);
}

double ObjectiveTotal(const RecordedExam& record, const CandidateRecord& candidate) {
    double total = 0;
    for (size_t q = 0; q < record.questions.size() && q < candidate.answers.size(); ++q)
        if (IsObjective(record.questions[q].section)) total += candidate.answers[q].earned;
    return total;
}

int UnseenObjectiveQuestions(const RecordedExam& record) {
    int unseen = 0;
    for (size_t q = 0; q < record.questions.size(); ++q)
        if (IsObjective(record.questions[q].section) &&
            std::none_of(record.candidates.begin(), record.candidates.end(),
                         [q](const CandidateRecord& c) {
                             return q < c.answers.size() && c.answers[q].recorded;
                         }))
            ++unseen;
    return unseen;
}

double FullMarks(const RecordedExam& record) {
    double full = 0;
    for (const RecordedQuestion& q : record.questions)
        if (IsObjective(q.section)) full += q.points;
    return full;
}

ExamStatistics Analyse(const RecordedExam& record) {
    ExamStatistics result;
    const size_t n = record.candidates.size();
    const double full = FullMarks(record);
    result.totals.reserve(n);
    for (const CandidateRecord& c : record.candidates)
        result.totals.push_back(ObjectiveTotal(record, c));
    const std::vector<double>& totals = result.totals;
    result.summary = Summarize(totals, full);

    if (full > 0)
        for (double t : totals)
            ++result.bands[std::clamp(int(std::floor(t / full * kScoreBands + 1e-9)), 0,
                                      kScoreBands - 1)];

    // The upper and lower groups, ties at their boundaries sharing the places left.
    const bool spread = result.summary.standardDeviation && *result.summary.standardDeviation > 0;
    const size_t group = std::max<size_t>(1, size_t(std::lround(kGroupShare * double(n))));
    const std::vector<double> upperShares = GroupShares(totals, group, true, full);
    const std::vector<double> lowerShares = GroupShares(totals, group, false, full);

    double itemVariances = 0;
    int weightedItems = 0;
    std::vector<double> earned(n), rest(n);
    for (size_t q = 0; q < record.questions.size(); ++q) {
        QuestionStatistics item;
        item.question = record.questions[q];
        for (const CandidateRecord& c : record.candidates)
            CountChoice(item, q < c.answers.size() ? c.answers[q].answer : QString());
        const double points = item.question.points;
        if (IsObjective(item.question.section) && points > 0 && n > 0) {
            for (size_t c = 0; c < n; ++c) {
                const auto& answers = record.candidates[c].answers;
                earned[c] = q < answers.size() ? answers[q].earned : 0.0;
                rest[c] = totals[c] - earned[c];
            }
            const double mean = Mean(earned);
            item.facility = mean / points;
            itemVariances += Variance(earned, mean);
            ++weightedItems;
            if (spread) {
                double upper = 0, lower = 0;
                for (size_t c = 0; c < n; ++c) {
                    upper += upperShares[c] * earned[c];
                    lower += lowerShares[c] * earned[c];
                }
                item.discrimination = (upper - lower) / double(group) / points;
            }
            // With equal totals the rest is the item's mirror image: no correlation to report.
            if (spread) item.pointBiserial = Correlation(earned, rest);
            item.flagged = *item.facility < kTooHard || *item.facility > kTooEasy ||
                           (item.discrimination && *item.discrimination < kWeakDiscrimination);
        }
        result.questions.push_back(std::move(item));
    }

    if (spread && weightedItems >= 2) {
        const double k = weightedItems;
        const double totalVariance = Variance(totals, *result.summary.mean);
        result.summary.reliability = k / (k - 1) * (1 - itemVariances / totalVariance);
    }
    return result;
}
