"""Vehicle file reader shared by closed_form.py and make_logs.py.

A vehicle file has lines `name = value`; '#' starts a comment.  Names not
given take the defaults below.  The linear single-track model needs speed,
mass, yaw inertia, a, b, Cf, Cr and the steering ratio; friction is used
only by the nonlinear tyre of make_logs.py.
"""

DEFAULTS = {
    "name": "default",
    "speed_kmh": 80.0,
    "mass_kg": 1650.0,
    "yaw_inertia_kgm2": 2900.0,
    "cg_to_front_axle_m": 1.2,
    "cg_to_rear_axle_m": 1.6,
    "front_cornering_stiffness_n_per_rad": 100000.0,
    "rear_cornering_stiffness_n_per_rad": 120000.0,
    "friction": 0.95,
    "steering_ratio": 16.0,
    "stability_control_nm_s_per_rad": 0.0,
    "gvwr_kg": 0.0,  # read but not used here
}

G = 9.80665  # m/s^2 per g


def read_vehicle(path):
    """Return a dict of the vehicle's parameters (defaults filled in)."""
    veh = dict(DEFAULTS)
    with open(path) as f:
        for n, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if "=" not in line:
                raise ValueError("%s:%d: expected 'name = value'" % (path, n))
            key, val = (s.strip() for s in line.split("=", 1))
            if key == "name":
                veh["name"] = val
            elif key in DEFAULTS:
                veh[key] = float(val)
            else:
                raise ValueError("%s:%d: unknown name '%s'" % (path, n, key))
    return veh


def params(veh):
    """Short names in SI units: u, m, Iz, a, b, L, Cf, Cr, mu, SR."""
    return dict(
        u=veh["speed_kmh"] / 3.6,
        m=veh["mass_kg"],
        Iz=veh["yaw_inertia_kgm2"],
        a=veh["cg_to_front_axle_m"],
        b=veh["cg_to_rear_axle_m"],
        L=veh["cg_to_front_axle_m"] + veh["cg_to_rear_axle_m"],
        Cf=veh["front_cornering_stiffness_n_per_rad"],
        Cr=veh["rear_cornering_stiffness_n_per_rad"],
        mu=veh["friction"],
        SR=veh["steering_ratio"],
    )
