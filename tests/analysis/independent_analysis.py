#!/usr/bin/env python3
"""The results analysis of one sitting, computed apart from the program: from the raw rows of the
database file (Changci, Shijuan, Kaoshijilu, Datijilu) with the standard library only.

    independent_analysis.py DATABASE SITTING [--in-progress]

prints JSON: the summary, the totals by student number, the bands and one entry per question.

The rules as a teacher would state them:
- the paper is the sitting's frozen copy; each section's questions are numbered 1 up to its limit
  (50 single-choice, 20 multiple-choice, 20 true/false, 10 subjective); points and key are the
  paper's, whether anybody saw the question or not;
- a candidate counts once, with their latest attempt in the sitting that has ended (handed in or
  timed out), or their latest attempt whatever its state when those still writing are included;
- a candidate's total is the points they earned on the objective questions; full marks are the
  points of the objective questions;
- 标准差 is the population standard deviation; 及格 is 60 % of full marks or more, 优秀 85 %;
- the upper and lower groups are the best and weakest 27 % of the class (rounded, at least one);
  candidates tied on the boundary share the places left there equally;
- 区分度 is the mean share of the points earned in the upper group less that in the lower one;
- 点二列相关 is the correlation of the points earned with the rest of the total;
- α is k/(k-1) (1 - sum of the questions' variances / variance of the totals) over the
  objective questions worth points.
"""

import json
import math
import sqlite3
import statistics
import sys

LIMITS = {1: 50, 2: 20, 3: 20, 4: 10}
TINY = 1e-12  # a variance this small against the squared scale is no spread at all


def varies(variance, scale):
    return variance > TINY * max(1.0, scale * scale)


def paper(db, sitting):
    questions = {}
    for section, test_id, key, score in db.execute(
            "SELECT Bufen, TestID, DDx, Score FROM Shijuan WHERE ChangciID=? "
            "ORDER BY Bufen, Hanghao", (sitting,)):
        try:
            number = int(str(test_id).strip())
        except ValueError:
            continue
        if section not in LIMITS or not 1 <= number <= LIMITS[section]:
            continue
        if (section, number) in questions:
            continue  # the first row of a number is the question
        try:
            points = float(str(score).strip())
        except (TypeError, ValueError):
            points = 0.0
        questions[(section, number)] = (points, key or "")
    return [(s, n, p, k) for (s, n), (p, k) in sorted(questions.items())]


def counted_attempts(db, sitting, in_progress):
    states = (0, 1, 2) if in_progress else (1, 2)
    latest = {}
    for attempt, student, number, state in db.execute(
            "SELECT JiluID, Xuehao, Cishu, Zhuangtai FROM Kaoshijilu WHERE ChangciID=?",
            (sitting,)):
        if state in states and (student not in latest or number > latest[student][1]):
            latest[student] = (attempt, number, state)
    return sorted((student, attempt, state) for student, (attempt, _, state) in latest.items())


def analyse(path, sitting, in_progress):
    db = sqlite3.connect(path)
    questions = paper(db, sitting)
    candidates = counted_attempts(db, sitting, in_progress)
    rows = {}
    for student, attempt, _ in candidates:
        for section, number, answer, earned in db.execute(
                "SELECT Bufen, TestID, Daan, Defen FROM Datijilu WHERE JiluID=?", (attempt,)):
            rows[(student, section, number)] = (answer or "", float(earned))

    def answer(student, q):
        return rows.get((student, q[0], q[1]), ("", 0.0))

    objective = [q for q in questions if q[0] <= 3]
    full = sum(q[2] for q in objective)
    students = [c[0] for c in candidates]
    totals = [sum(answer(s, q)[1] for q in objective) for s in students]
    n = len(totals)

    summary = {"candidates": n, "fullMarks": full, "mean": None, "median": None,
               "standardDeviation": None, "highest": None, "lowest": None, "passRate": None,
               "excellentRate": None, "reliability": None}
    spread = False
    if n:
        summary.update(mean=statistics.fmean(totals), median=statistics.median(totals),
                       highest=max(totals), lowest=min(totals))
        if n >= 2:
            variance = statistics.pvariance(totals)
            spread = varies(variance, max(full, 1.0))
            summary["standardDeviation"] = math.sqrt(variance) if spread else 0.0
        if full > 0:
            for name, share in (("passRate", 0.60), ("excellentRate", 0.85)):
                bar = share * full - 1e-9 * full
                summary[name] = sum(t >= bar for t in totals) / n

    bands = [0] * 10
    if full > 0:
        for t in totals:
            bands[min(9, max(0, math.floor(t / full * 10 + 1e-9)))] += 1

    group = max(1, math.floor(0.27 * n + 0.5))
    slack = 1e-9 * max(1.0, full)

    def shares(upper):
        if not n:
            return []
        ranked = sorted(totals, reverse=upper)
        boundary = ranked[group - 1]
        inside = [(t > boundary + slack) if upper else (t < boundary - slack) for t in totals]
        tied = [not i and abs(t - boundary) <= slack for t, i in zip(totals, inside)]
        share = (group - sum(inside)) / sum(tied)
        return [1.0 if i else share if t else 0.0 for i, t in zip(inside, tied)]

    upper, lower = shares(True), shares(False)
    items = []
    item_variances, weighted = 0.0, 0
    for q in questions:
        section, number, points, key = q
        answers = [answer(s, q) for s in students]
        choices = [0, 0, 0, 0]
        blank = sum(1 for a, _ in answers if not a)
        for a, _ in answers:
            if not a:
                continue
            if section in (1, 2):
                for i, letter in enumerate("ABCD"):
                    choices[i] += letter in a
            elif section == 3:
                choices[0] += a == "对"
                choices[1] += a == "错"
        item = {"section": section, "number": number, "points": points, "key": key,
                "facility": None, "discrimination": None, "pointBiserial": None,
                "choices": choices, "blank": blank, "answered": n - blank, "flagged": False}
        if section <= 3 and points > 0 and n:
            earned = [e for _, e in answers]
            item["facility"] = statistics.fmean(earned) / points
            item_variances += statistics.pvariance(earned)
            weighted += 1
            if spread:
                high = sum(w * e for w, e in zip(upper, earned))
                low = sum(w * e for w, e in zip(lower, earned))
                item["discrimination"] = (high - low) / group / points
                rest = [t - e for t, e in zip(totals, earned)]
                if (varies(statistics.pvariance(earned), max(abs(statistics.fmean(earned)), 1)) and
                        varies(statistics.pvariance(rest), max(abs(statistics.fmean(rest)), 1))):
                    item["pointBiserial"] = statistics.correlation(earned, rest)
            d = item["discrimination"]
            item["flagged"] = (item["facility"] < 0.2 or item["facility"] > 0.95 or
                               (d is not None and d < 0.2))
        items.append(item)

    if spread and weighted >= 2:
        k = weighted
        summary["reliability"] = k / (k - 1) * (1 - item_variances / statistics.pvariance(totals))
    return {"summary": summary, "students": students, "totals": totals, "bands": bands,
            "questions": items}


if __name__ == "__main__":
    json.dump(analyse(sys.argv[1], int(sys.argv[2]), "--in-progress" in sys.argv[3:]),
              sys.stdout, ensure_ascii=False)
